// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/ControlValues.h"
#include "data/Dialogs.h"

#include <string>

// The parameter files (APM) and the start-up settings file: one INI layout mapping the main
// window's controls. Sections and keys, in the order written:
//   [Form]        Left, Top, Widht, Height
//   [Parameters]  Wait Time, Iteration, BurstInterval, Burst Time Unit, Sampling Interval,
//                 Sampling Time Unit, Number Of Data, Number of Channels (count - 1)
//   [Ch1]..[ChN]  Item, Scale, Coef A, Coef B (channel table row k, as shown)
//   [Parameters]  Memo, File Type
//   [File]        Save Name, Application Software, Application Software Confirmed (1, or
//                 0 for a program named by a loaded parameter file and not yet confirmed)
// Texts are CP932 in the file (one that CP932 cannot hold is stored in UTF-8 behind a UTF-8
// byte-order mark) and UTF-8 in ControlValues; the comment is stored on one line as
// CommentText.h describes. Nothing is validated here.
namespace tessary {

// Applies the file at `path` to `values`. Every key is read with the current value as its
// default, so a missing file, section or key, or an integer key that holds no integer, leaves
// that value as it was. A list position outside its list clears the unit lists' selection
// (-1); a file type other than 0 or 1 is taken as the nearer of them, and a change of it
// replaces the data-file name's extension as the file-type choice does. A channel count the
// list cannot show is loaded as far as it can be (four channels at most; a position below 0
// keeps the current count) and what was left out is told in an information box; the list
// always keeps a selection. A relative analysis program is taken as the file of that name
// beside the file read, and made absolute; it is confirmed unless the file says it is not
// (the start-up settings keep that across a restart; for a parameter file that was
// received, LoadParameters decides). Returns true.
bool ReadParameterFile(const std::string& path, ControlValues& values, Dialogs& dialogs);

// Writes every key of `values` with one write through a temporary file; all other lines of an
// existing file stay, including channel sections beyond the current count. A refused write
// raises InOutError "<path> に書き込めません" and leaves the file as it was.
void WriteParameterFile(const std::string& path, const ControlValues& values);

} // namespace tessary
