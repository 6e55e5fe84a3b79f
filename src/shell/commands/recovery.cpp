#include "shell/commands/recovery.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <new>
#include <optional>

#include "document/qmd_format.h"
#include "platform/paths.h"
#include "shell/app.h"
#include "shell/commands/document_commands.h"
#include "shell/settings/dictionary.h"
#include "shell/state/recovery_state.h"
#include "shell/view/view.h"

namespace qm {

namespace {

std::string recoveryFolder(const App& app) {
    return joinPath(app.workDir, "recovery");
}

bool copyDue(const App& app) {
    return app.prefs.autosave != 0 && app.Modified &&
           app.editGeneration != app.recovery.copiedGeneration;
}

// Waits for the writer (blocking or not); true when it has ended, with the copy collected when
// it succeeded.
bool collectWriter(App& app, bool block) {
    RecoveryState& r = app.recovery;
    if (r.writerPid == 0) return true;
    int status = 0;
    pid_t done;
    do {
        done = ::waitpid(r.writerPid, &status, block ? 0 : WNOHANG);
    } while (done < 0 && errno == EINTR);
    if (done == 0) return false;
    if (done == r.writerPid && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        r.copiedGeneration = r.writingGeneration;
    r.writerPid = 0;
    return true;
}

// The child: writes the copy from its snapshot of the document and ends without running any
// of the parent's exit handlers.
[[noreturn]] void writeCopyAndExit(const App& app) {
    (void)::nice(10);  // the painter's process comes first
    std::string error;
    bool written = createFolders(recoveryFolder(app), error);
    if (written) {
        DocumentSaveOptions options;
        options.threads = 1;
        written = writeDocumentFile(app.doc, app.viewState, recoveryIndexPath(app), error, options);
    }
    ::_exit(written ? 0 : 1);
}

}  // namespace

std::string recoveryIndexPath(const App& app) {
    return joinPath(recoveryFolder(app), "document.qmd");
}

int recoveryWaitMs(const App& app) {
    if (app.recovery.writerPid != 0) return 50;  // polls the writer
    if (!copyDue(app)) return -1;
    const int64_t wait = app.recovery.lastCopyMs + kRecoveryIntervalMs - app.ui.clockMilliseconds();
    return int(std::clamp<int64_t>(wait, 0, kRecoveryIntervalMs));
}

void recoveryStep(App& app) {
    if (!collectWriter(app, false)) return;
    if (recoveryWaitMs(app) != 0) return;
    RecoveryState& r = app.recovery;
    r.lastCopyMs = app.ui.clockMilliseconds();
    // A stroke under way is copied as far as it went; the copy is a snapshot, not a step.
    const pid_t pid = ::fork();
    if (pid == 0) writeCopyAndExit(app);
    if (pid < 0) return;  // tried again after the interval
    r.writerPid = pid;
    r.writingGeneration = app.editGeneration;
}

void waitForRecoveryCopy(App& app) {
    collectWriter(app, true);
}

void removeRecoveryCopy(App& app) {
    RecoveryState& r = app.recovery;
    if (r.writerPid != 0) {
        ::kill(r.writerPid, SIGKILL);
        collectWriter(app, true);
    }
    r.copiedGeneration = app.editGeneration;
    // The index first: a removal cut off half-way never leaves an index naming missing files.
    std::error_code ec;
    std::filesystem::remove(resolvePath(recoveryIndexPath(app)), ec);
    std::filesystem::remove_all(resolvePath(layerFolderOf(recoveryIndexPath(app))), ec);
    std::filesystem::remove(resolvePath(recoveryFolder(app)), ec);  // only when empty
}

void offerRecovery(App& app) {
    app.recovery.lastCopyMs = app.ui.clockMilliseconds();
    app.recovery.copiedGeneration = app.editGeneration;
    const std::string index = recoveryIndexPath(app);
    if (!fileExists(index)) return;
    std::string error;
    auto contents = readDocumentFile(index, app.viewState.CurrentFrame, error);
    if (!contents) return;  // not a copy that can be offered; the next copy replaces it
    Dictionary& d = app.dictionary;
    if (!app.ui.askYesNo(app.prefs.programName,
                         Text(d, "RecoveryKept") + "\n" + Text(d, "Restore it?")))
        return;  // kept until a save or a clean quit, so it may still be restored next time
    std::optional<DocumentReplacement> next;
    try {
        next = documentFromFile(app, std::move(*contents));
    } catch (const std::bad_alloc&) {
        next.reset();
    }
    if (!next) {
        app.ui.messageBox(Text(d, "error"), Text(d, "NoMemoryToRecover"));
        return;
    }
    // Not saved anywhere: it stays modified, and the copy already holds it.
    next->modified = true;
    next->title = DocumentReplacement::Title::Recovered;
    replaceDocument(app, std::move(*next));
    reportUnreadableLayers(app, index, *contents);
}

}  // namespace qm
