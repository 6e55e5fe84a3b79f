// data/txt/lang/eng.ini: the built-in English texts as a language file, every group and entry.
#include "assetgen.h"

#include "platform/file_writer.h"
#include "platform/paths.h"
#include "shell/settings/dictionary.h"

namespace qm::assetgen {

bool generateEnglishLanguageFile(const std::string& dataDir, std::string& error) {
    const std::string folder = joinPath(dataDir, "txt/lang");
    if (!createFolders(folder, error)) return false;
    return writeFileAtomically(joinPath(folder, "eng.ini"), builtinLanguageFileText(), error);
}

}  // namespace qm::assetgen
