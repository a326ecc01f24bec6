// velvane-setup: runs the installer extension as the installer would, for the package's
// maintainer scripts: "install DIR" calls Install_Init and Install_Exit, "uninstall DIR"
// calls Uninstall_Init and Uninstall_Exit, with DIR as the installation folder.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/shared_library.h"
#include "platform/ustring.h"
#include "setup/setup.h"

namespace {

constexpr int kFailed = 1;
constexpr int kUsageError = 2;
constexpr char kLibraryName[] = "setup.so";

int usage() {
    std::fputs("usage: velvane-setup install DIR\n"
               "       velvane-setup uninstall DIR\n"
               "DIR is the program folder Velvane is installed in.\n",
               stderr);
    return kUsageError;
}

// The extension lies beside this tool in the program folder.
std::string library_path() {
    const std::string self = platform::to_utf8(platform::module_file_name());
    return (std::filesystem::path(self).parent_path() / kLibraryName).string();
}

int fail(const std::string& why) {
    std::fprintf(stderr, "velvane-setup: %s\n", why.c_str());
    return kFailed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        return usage();
    }
    const std::string_view command = argv[1];
    if (command != "install" && command != "uninstall") {
        return usage();
    }
    // The shell runs the registered program from anywhere, so the folder it names is absolute.
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::absolute(argv[2], ec);
    if (ec || std::string_view(argv[2]).empty()) {
        return fail(std::string("no such folder: ") + argv[2]);
    }
    const platform::WString dir = platform::from_utf8(folder.lexically_normal().string());

    std::string error;
    const std::string path = library_path();
    const auto library = platform::SharedLibrary::open(path, error);
    if (!library) {
        return fail(error);
    }
    auto* const install_init = library->function<InstallInitFunction>("Install_Init");
    auto* const install_exit = library->function<InstallExitFunction>("Install_Exit");
    auto* const uninstall_init = library->function<UninstallInitFunction>("Uninstall_Init");
    auto* const uninstall_exit = library->function<UninstallExitFunction>("Uninstall_Exit");
    if (install_init == nullptr || install_exit == nullptr || uninstall_init == nullptr ||
        uninstall_exit == nullptr) {
        return fail(path + " lacks an installer entry point");
    }

    using namespace velvane::setup;
    if (command == "install") {
        if (install_init(nullptr, 1, 0, dir.c_str()) != kInstallInitContinue) {
            return fail("Install_Init cancelled the installation");
        }
        // The package manager has copied the files by now.
        if (install_exit(nullptr, dir.c_str(), 0, 0, 0, 0, 0) != kInstallExitDone) {
            return fail("Install_Exit asked for the installation to be undone");
        }
        return 0;
    }
    if (uninstall_init(nullptr, dir.c_str()) != kUninstallInitContinue) {
        return fail("Uninstall_Init cancelled the removal");
    }
    uninstall_exit(nullptr);
    return 0;
}
