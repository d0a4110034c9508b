// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliProgram.h"

#include "app/VersionReport.h"
#include "cli/ExitCodes.h"
#include "cli/ExportCommand.h"
#include "cli/InfoCommand.h"
#include "cli/RecordCommand.h"
#include "cli/RepairCommand.h"
#include "cli/UpgradeCommand.h"
#include "cli/UsageError.h"

#include <cstdio>
#include <exception>

namespace tessary {

namespace {

void Print(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

bool AsksForHelp(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") {
            return false;
        }
        if (arg == "--help" || arg == "-h") {
            return true;
        }
    }
    return false;
}

} // namespace

CliProgram::CliProgram() {
    commands_.push_back(std::make_unique<RecordCommand>());
    commands_.push_back(std::make_unique<InfoCommand>());
    commands_.push_back(std::make_unique<ExportCommand>());
    commands_.push_back(std::make_unique<UpgradeCommand>());
    commands_.push_back(std::make_unique<RepairCommand>());
}

std::string CliProgram::Overview() const {
    std::string text = "Usage: tessary-cli COMMAND [ARGUMENTS]\n"
                       "       tessary-cli --help | --version\n"
                       "\n"
                       "Records, inspects, exports, upgrades and repairs Tessary data files\n"
                       "without a window. Commands:\n";
    for (const auto& command : commands_) {
        std::string name = "  " + std::string(command->Name());
        name.resize(12, ' ');
        text += name + std::string(command->Summary()) + "\n";
    }
    text += "\n"
            "Options:\n"
            "  -h, --help  show this text\n"
            "  --version   show the version\n"
            "\n"
            "`tessary-cli COMMAND --help` describes a command's options.\n"
            "Errors are reported on stderr, one line each, naming the file concerned.\n"
            "Exit status: 0 done, 1 failed, 2 wrong usage, 3 declined or cancelled.\n";
    return text;
}

Command* CliProgram::Find(const std::string& name) const {
    for (const auto& command : commands_) {
        if (command->Name() == name) {
            return command.get();
        }
    }
    return nullptr;
}

int CliProgram::Run(const std::vector<std::string>& args) {
    if (args.empty()) {
        Print(stderr, Overview());
        return ExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        Print(stdout, Overview());
        return ExitOk;
    }
    if (args[0] == "--version") {
        Print(stdout, VersionReport("tessary-cli"));
        return ExitOk;
    }
    Command* command = Find(args[0]);
    if (command == nullptr) {
        Print(stderr, "tessary-cli: unknown command \"" + args[0] +
                          "\"; `tessary-cli --help` lists the commands\n");
        return ExitUsage;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (AsksForHelp(rest)) {
        Print(stdout, std::string(command->Help()));
        return ExitOk;
    }
    try {
        return command->Run(rest);
    } catch (const UsageError& e) {
        Print(stderr, "tessary-cli " + args[0] + ": " + e.what() + "; `tessary-cli " + args[0] +
                          " --help` describes the options\n");
        return ExitUsage;
    } catch (const std::exception& e) {
        Print(stderr, "tessary-cli " + args[0] + ": " + e.what() + "\n");
        return ExitFailed;
    }
}

} // namespace tessary
