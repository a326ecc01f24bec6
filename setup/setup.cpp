#include "setup/setup.h"

#include <optional>

#include "core/log.h"
#include "core/registry.h"

namespace velvane::setup {
namespace {

using platform::WString;
using platform::WStringView;

WStringView folder_text(const char16_t* folder) {
    return folder != nullptr ? WStringView(folder) : WStringView();
}

// What the shell runs for Contacts: the installed program file, quoted whole so that a folder
// with blanks stays one word. Nothing for a folder that would not make one command: none at
// all, or one holding a quotation mark, which would end the quoted path early and let the
// rest of the name run as arguments.
std::optional<WString> shell_command_line(WStringView folder) {
    while (folder.size() > 1 && folder.back() == u'/') {
        folder.remove_suffix(1);
    }
    if (folder.empty() || folder.find(u'"') != WStringView::npos) {
        return std::nullopt;
    }
    WString program(folder);
    if (program.back() != u'/') {
        program += u'/';
    }
    program += u"velvane";
    return u"\"" + program + u"\"";
}

// A write that fails leaves the shell's previous setting; installing and removing go on.
void write_shell_value(WStringView place, WStringView command_line) {
    if (!write_string(kShellKey, kShellValue, command_line)) {
        log() << place << ": the shell registration could not be written, it stays as it was\n";
    }
}

}  // namespace
}  // namespace velvane::setup

using namespace velvane;
using namespace velvane::setup;

extern "C" {

int Install_Init(void*, int first_call, int previously_installed, const char16_t* install_dir) {
    const WStringView folder = folder_text(install_dir);
    log() << "Install_Init(" << folder << ") first_call=" << first_call
          << " previously_installed=" << previously_installed << "\n";
    if (const auto command_line = shell_command_line(folder)) {
        write_shell_value(u"Install_Init", *command_line);
    } else {
        log() << "Install_Init: no command line for the folder \"" << folder
              << "\", the shell registration stays as it was\n";
    }
    return kInstallInitContinue;
}

int Install_Exit(void*, const char16_t* install_dir, std::uint16_t, std::uint16_t failed_files,
                 std::uint16_t, std::uint16_t, std::uint16_t) {
    log() << "Install_Exit(" << folder_text(install_dir) << ") failed_files=" << failed_files
          << "\n";
    return kInstallExitDone;
}

int Uninstall_Init(void*, const char16_t* install_dir) {
    log() << "Uninstall_Init(" << folder_text(install_dir) << ")\n";
    write_shell_value(u"Uninstall_Init", kStockContacts);
    return kUninstallInitContinue;
}

int Uninstall_Exit(void*) {
    log() << "Uninstall_Exit()\n";
    return kUninstallExitDone;
}

}  // extern "C"
