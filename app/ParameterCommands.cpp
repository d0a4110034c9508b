// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ParameterCommands.h"

#include "app/DataFileParameters.h"
#include "app/ParameterFile.h"
#include "data/FileNames.h"

#include <filesystem>

namespace tessary {

bool LoadParameters(const std::string& chosen, TFrmSDFdata& sdfData, ControlValues& values,
                    std::uint16_t& samplingUnitIndex) {
    const std::string extension = UpperExtension(chosen);
    if (extension == ".APM") {
        const std::string program = values.ApplicationSoftware;
        const bool confirmed = values.ApplicationSoftwareConfirmed;
        ReadParameterFile(chosen, values, sdfData.MessageBoxes());
        // A file may come from anywhere: the program it names is not run unconfirmed. The
        // default program beside this one, or the one already chosen, stays as it was.
        values.ApplicationSoftwareConfirmed =
            values.ApplicationSoftware == program ? confirmed : values.ApplicationSoftware.empty();
        return true;
    }
    if (extension == ".SDF" || extension == ".TSD") {
        return ReadParametersFromDataFile(chosen, sdfData, values, samplingUnitIndex);
    }
    return false;
}

std::string SaveParameters(const std::string& chosen, const ControlValues& values) {
    // A name chosen with ".APM" in any case is that file: on a case-sensitive file system
    // ".apm" in its place would be a second file beside it.
    const std::string path =
        UpperExtension(chosen) == ".APM" ? chosen : ReplaceExtension(chosen, ".apm");
    WriteParameterFile(path, values);
    return path;
}

std::string DataFileBrowseFolder(const std::string& fileName, const std::string& dataFolder) {
    std::string folder = FolderPart(fileName);
    if (folder.empty()) {
        folder = dataFolder;
    }
    std::error_code error;
    return std::filesystem::is_directory(folder, error) ? folder : std::string();
}

} // namespace tessary
