// Where the program keeps its files.
//
// Started from the build (./run.sh starts build/src/quillmoth in build/run), the program works
// in the folder it was started in, which holds data/, presets/, recovery/ and pref.ini.
//
// Installed (the executable in P/bin, its data in P/share/quillmoth), it keeps the user's files
// in the user's folders of the XDG base directories: pref.ini in the configuration folder
// ($XDG_CONFIG_HOME/quillmoth, by default ~/.config/quillmoth) and the presets and recovery
// copies in the data folder ($XDG_DATA_HOME/quillmoth, by default ~/.local/share/quillmoth),
// whose presets are copied from the installed ones on the first start. The program then works
// in the configuration folder, where data/ is a link to the installed data and presets/ and
// recovery/ are links into the data folder, so every path it forms from its working folder
// reaches the right place. A link the user replaced by a folder of their own is left alone.
//
// These are the only environment variables the program reads itself.
#pragma once

#include <optional>
#include <string>

namespace qm {

// What the folders are decided from.
struct FolderEnvironment {
    std::string executable;  // the running program's file
    std::string home;        // the user's home folder
    std::string configHome;  // $XDG_CONFIG_HOME (used only when it is an absolute path)
    std::string dataHome;    // $XDG_DATA_HOME (likewise)
};

// The running process's: /proc/self/exe, $HOME (else the password entry's home) and the two
// XDG variables.
FolderEnvironment currentFolderEnvironment();

struct UserFolders {
    bool installed = false;
    std::string installedData;  // P/share/quillmoth
    std::string config;         // pref.ini; the working folder of the installed program
    std::string data;           // presets/ and recovery/
    std::string launchFolder;   // the working folder the program was started in
};

// The folders for `env`. The program counts as installed when the folder of its executable has
// a sibling share/quillmoth holding data/.
UserFolders userFoldersFor(const FolderEnvironment& env);

// Makes the installed program's folders: the configuration and data folders, the presets copied
// from the installed data when the data folder has none yet, recovery/, and the links of the
// configuration folder. Nothing is overwritten. False with a reason that names the folder.
bool prepareUserFolders(const UserFolders& folders, std::string& error);

// For the program's start: decides the folders for the running process, and for the installed
// program prepares them and makes the configuration folder the working folder. A program that
// is not installed stays where it was started. nullopt with a reason when the installed
// program's folders cannot be made or entered.
std::optional<UserFolders> enterUserFolders(std::string& error);

}  // namespace qm
