#include "shell/commands/recovery.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <thread>
#include <utility>

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

// Waits for the writer (blocking or not); true when none is left, with the copy collected when it
// was written whole.
bool collectWriter(App& app, bool block) {
    RecoveryState& r = app.recovery;
    if (!r.writer) return true;
    if (!block && !r.writer->done.load(std::memory_order_acquire)) return false;
    r.writer->join();
    if (r.writer->written) r.copiedGeneration = r.writer->generation;
    r.writer.reset();
    return true;
}

// The writer's thread: writes the copy from its own snapshot of the document, one layer at a
// time, stopping between layers when cancelled. It touches nothing but its arguments and the
// files of the copy.
void writeCopy(RecoveryWriter& writer, const Document& snapshot, const ViewState& view,
               const std::string& folder, const std::string& index) {
    std::string error;
    bool written = false;
    try {
        written = createFolders(folder, error);
        if (written) {
            DocumentSaveOptions options;
            options.threads = 1;
            options.cancelled = [&writer] { return writer.cancel.load(std::memory_order_relaxed); };
            written = writeDocumentFile(snapshot, view, index, error, options);
        }
    } catch (const std::exception& e) {
        written = false;
        error = e.what();
    }
    writer.written = written;
    writer.error = std::move(error);
    writer.done.store(true, std::memory_order_release);
}

}  // namespace

std::string recoveryIndexPath(const App& app) {
    return joinPath(recoveryFolder(app), "document.qmd");
}

bool copyUnderWay(const App& app) {
    return app.recovery.writer != nullptr;
}

int recoveryWaitMs(const App& app) {
    if (copyUnderWay(app)) return 50;  // polls the writer
    if (!copyDue(app)) return -1;
    const int64_t wait = app.recovery.lastCopyMs + kRecoveryIntervalMs - app.ui.clockMilliseconds();
    return int(std::clamp<int64_t>(wait, 0, kRecoveryIntervalMs));
}

void recoveryStep(App& app) {
    if (!collectWriter(app, false)) return;
    if (recoveryWaitMs(app) != 0) return;
    RecoveryState& r = app.recovery;
    r.lastCopyMs = app.ui.clockMilliseconds();
    // A stroke under way is copied as far as it went; the copy is a snapshot, not a step. The
    // snapshot shares every tile with the document (painting copies a tile before writing it), so
    // taking it costs a count per tile, and the thread owns it.
    try {
        auto writer = std::make_unique<RecoveryWriter>();
        writer->generation = app.editGeneration;
        writer->thread =
            std::thread([&w = *writer, snapshot = Document(app.doc), view = app.viewState,
                         folder = recoveryFolder(app), index = recoveryIndexPath(app)] {
                writeCopy(w, snapshot, view, folder, index);
            });
        r.writer = std::move(writer);
    } catch (const std::exception&) {
        // No memory for the snapshot, or no thread: tried again after the interval.
    }
}

void waitForRecoveryCopy(App& app) {
    collectWriter(app, true);
}

void stopRecoveryCopy(App& app) {
    if (app.recovery.writer) app.recovery.writer->cancel.store(true, std::memory_order_relaxed);
    collectWriter(app, true);
}

void removeRecoveryCopy(App& app) {
    RecoveryState& r = app.recovery;
    stopRecoveryCopy(app);
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
