#pragma once
// The installer extension's four entry points, exported by name with the installer's
// argument lists and result codes. Installing makes the shell start Velvane where it would
// start its own Contacts program; removing gives that role back to the stock program.

#include <cstdint>

#if defined(VELVANE_SETUP_BUILD)
#define VELVANE_SETUP_EXPORT __attribute__((visibility("default")))
#else
#define VELVANE_SETUP_EXPORT
#endif

namespace velvane::setup {

// The installer's result codes.
enum : int {
    kInstallInitContinue = 0,
    kInstallInitCancel = 1,
    kInstallExitDone = 0,
    kInstallExitUninstall = 1,
    kUninstallInitContinue = 0,
    kUninstallInitCancel = 1,
    kUninstallExitDone = 0,
};

// The shell's Contacts registration and what it holds while Velvane is not installed.
inline constexpr char16_t kShellKey[] =
    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shell\\Rai\\:MSCONTACTS";
inline constexpr char16_t kShellValue[] = u"1";
inline constexpr char16_t kStockContacts[] = u":MSPOUTLOOK contacts";

}  // namespace velvane::setup

// Window handles, flags and folder names as the installer passes them: a window (unused), BOOL
// as int, folder names as NUL-terminated UTF-16, counts as WORD.
extern "C" {
using InstallInitFunction = int(void* parent, int first_call, int previously_installed,
                                const char16_t* install_dir);
using InstallExitFunction = int(void* parent, const char16_t* install_dir,
                                std::uint16_t failed_dirs, std::uint16_t failed_files,
                                std::uint16_t failed_reg_keys, std::uint16_t failed_reg_values,
                                std::uint16_t failed_shortcuts);
using UninstallInitFunction = int(void* parent, const char16_t* install_dir);
using UninstallExitFunction = int(void* parent);

// Before the files are copied: registers the installation folder's program with the shell.
VELVANE_SETUP_EXPORT InstallInitFunction Install_Init;
// After the files are copied.
VELVANE_SETUP_EXPORT InstallExitFunction Install_Exit;
// Before the files are removed: the stock Contacts program comes back.
VELVANE_SETUP_EXPORT UninstallInitFunction Uninstall_Init;
// After the files are removed.
VELVANE_SETUP_EXPORT UninstallExitFunction Uninstall_Exit;
}
