// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "texts/Texts.h"

#include <array>
#include <string>
#include <vector>

namespace tessary {

// The channel table's heading row: No., item name, unit, A, B.
inline std::array<std::string, 5> ChannelHeadingRow() {
    const auto& headings = texts::ChannelHeadings;
    return {headings[0], headings[1], headings[2], headings[3], headings[4]};
}

// The values of the main window's controls, as one plain struct: the window binds its
// widgets to it, GatherSettings reads it, the parameter files read and write it, and the
// headless tool fills it from an APM file, so that all take the same path.
// Texts are UTF-8 as the controls hold them; a comment's line breaks are CR LF.
struct ControlValues {
    // Window placement ("Form" section).
    int Left = 203;
    int Top = 178;
    int Width = 715;
    int Height = 452;

    // Page "計測ﾊﾟﾗﾒｰﾀ".
    std::string WaitTime = "0";      // EditWaitTime
    std::string Iteration = "1";     // EditIteration
    std::string BurstInterval = "1"; // EditBurstInterval
    int BurstUnitIndex = 2;          // ComboBoxBITUnit: 0 "sec", 1 "min", 2 "hr"; -1 none
    std::string SInterval = "100";   // EditSInterval
    int SampUnitIndex = 1;           // ComboSampUnit: 0 "sec", 1 "msec", 2 "usec"; -1 none
    std::string DataNum = "512";     // EditDataNum

    // Page "記録ﾁｬﾝﾈﾙ".
    std::string ChNum = "1"; // ComboChNum's text; its list holds "1" to "4"
    // StringGridChannel: row 0 the headings, row k channel k - 1; columns No., item name,
    // unit, A, B.
    std::vector<std::array<std::string, 5>> ChannelGrid = {ChannelHeadingRow(),
                                                           {"0", "Ch.1", "mV", "1", "0"}};

    // Page "保存".
    std::string Memo;                // Memo1
    int FileType = 0;                // RadioGroupFileType: 0 SDF, 1 TSD
    std::string FileName;            // EditFileName
    std::string ApplicationSoftware; // chosen analysis program; empty when none
    // False for a program that a loaded parameter file named and the operator has not yet
    // confirmed: it is started only after a question that names it.
    bool ApplicationSoftwareConfirmed = true;
};

} // namespace tessary
