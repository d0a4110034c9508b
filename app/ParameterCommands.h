// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/ControlValues.h"
#include "data/TFrmSDFdata.h"

#include <cstdint>
#include <string>

// The core of the File menu's "計測パラメータの読み込み(&O)" (O1Click) and
// "計測パラメータの保存(&S)" (Save1Click): the window shows the dialog and hands the chosen
// name here.
namespace tessary {

// By the chosen name's extension in upper case: ".APM" reads the parameter file,
// ".SDF" and ".TSD" the data file's header (DataFileParameters.h); any other name changes
// nothing. An analysis program that the parameter file names in place of the current one
// is unconfirmed, whatever the file says. Information boxes go to sdfData's message boxes. True
// when `values` were loaded.
bool LoadParameters(const std::string& chosen, TFrmSDFdata& sdfData, ControlValues& values,
                    std::uint16_t& samplingUnitIndex);

// Writes the parameter file under the chosen name with its extension replaced by ".apm"
// (appended to a name without one; a name that ends in ".apm" in any case is kept as it
// is), updating an existing file in place; returns that path.
// A refused write raises InOutError.
std::string SaveParameters(const std::string& chosen, const ControlValues& values);

// Starting folder of the data-file browse dialog after a load: the folder part of `fileName`,
// or `dataFolder` (ProgramPaths::DataFolder) when the name has none; empty when that folder does
// not exist (the dialog then keeps its previous folder).
std::string DataFileBrowseFolder(const std::string& fileName, const std::string& dataFolder);

} // namespace tessary
