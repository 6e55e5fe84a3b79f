#include "platform/user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/paths.h"

namespace qm {

namespace {

namespace fs = std::filesystem;

constexpr const char* kProgramFolder = "quillmoth";

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The XDG folder: the variable when it holds an absolute path (a relative one is ignored, as
// the desktop's base-directory convention says), else the default below the home folder.
std::string baseFolder(const std::string& value, const std::string& home, const char* fallback) {
    if (!value.empty() && value.front() == '/') return value;
    return joinPath(home, fallback);
}

// Makes `link` point to `target` unless something the user made is there: a missing link is
// created, a link pointing elsewhere (the program was moved or installed again) is replaced,
// a real file or folder stays.
bool linkTo(const fs::path& link, const fs::path& target, std::string& error) {
    std::error_code ec;
    const auto status = fs::symlink_status(link, ec);
    if (fs::is_symlink(status)) {
        if (fs::read_symlink(link, ec) == target && !ec) return true;
        fs::remove(link, ec);
    } else if (fs::exists(status)) {
        return true;
    }
    fs::create_directory_symlink(target, link, ec);
    if (ec) {
        error = "Cannot make the link " + link.string() + ": " + ec.message();
        return false;
    }
    return true;
}

bool makeFolder(const fs::path& folder, std::string& error) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        error = "Cannot create the folder " + folder.string() +
                (ec ? ": " + ec.message() : std::string());
        return false;
    }
    return true;
}

}  // namespace

FolderEnvironment currentFolderEnvironment() {
    FolderEnvironment env;
    std::error_code ec;
    env.executable = fs::read_symlink("/proc/self/exe", ec).string();
    env.home = variable("HOME");
    if (env.home.empty())
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
            env.home = entry->pw_dir;
    env.configHome = variable("XDG_CONFIG_HOME");
    env.dataHome = variable("XDG_DATA_HOME");
    return env;
}

UserFolders userFoldersFor(const FolderEnvironment& env) {
    UserFolders folders;
    folders.launchFolder = workingDirectory();
    if (env.executable.empty()) return folders;
    const std::string prefix = parentFolder(parentFolder(env.executable));
    const std::string installed = joinPath(prefix, std::string("share/") + kProgramFolder);
    if (prefix.empty() || !folderExists(joinPath(installed, "data"))) return folders;
    folders.installed = true;
    folders.installedData = installed;
    folders.config = joinPath(baseFolder(env.configHome, env.home, ".config"), kProgramFolder);
    folders.data = joinPath(baseFolder(env.dataHome, env.home, ".local/share"), kProgramFolder);
    return folders;
}

bool prepareUserFolders(const UserFolders& folders, std::string& error) {
    const fs::path config = folders.config, data = folders.data;
    const fs::path installed = folders.installedData;
    if (!config.is_absolute() || !data.is_absolute()) {
        error = "The user's folders cannot be found: there is no home folder.";
        return false;
    }
    if (!makeFolder(config, error) || !makeFolder(data, error)) return false;

    std::error_code ec;
    const fs::path presets = data / "presets";
    if (!fs::exists(fs::symlink_status(presets, ec)) &&
        fs::is_directory(installed / "presets", ec)) {
        // Copied into a temporary folder first: a start interrupted while copying leaves no
        // half set of presets that would never be completed.
        const fs::path partial = data / ".presets.partial";
        fs::remove_all(partial, ec);
        fs::copy(installed / "presets", partial,
                 fs::copy_options::recursive | fs::copy_options::skip_existing, ec);
        if (!ec) fs::rename(partial, presets, ec);
        if (ec) {
            fs::remove_all(partial, ec);
            error = "Cannot copy the presets into " + presets.string();
            return false;
        }
    }
    if (!makeFolder(presets, error) || !makeFolder(data / "recovery", error)) return false;
    return linkTo(config / "data", installed / "data", error) &&
           linkTo(config / "presets", presets, error) &&
           linkTo(config / "recovery", data / "recovery", error);
}

std::optional<UserFolders> enterUserFolders(std::string& error) {
    UserFolders folders = userFoldersFor(currentFolderEnvironment());
    if (!folders.installed) return folders;
    if (!prepareUserFolders(folders, error)) return std::nullopt;
    if (::chdir(folders.config.c_str()) != 0) {
        error = "Cannot work in the folder " + folders.config;
        return std::nullopt;
    }
    return folders;
}

}  // namespace qm
