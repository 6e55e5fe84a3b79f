#include "io/export_command.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <new>

#include "document/document_ops.h"
#include "document/qmd_format.h"
#include "io/animation_files.h"
#include "io/image_files.h"
#include "platform/paths.h"
#include "raster/draw_image.h"

namespace qm {

namespace {

// Frames a folder may give (the frame numbers the animation panel reaches).
constexpr int kMaxFolderFrames = 10000;

constexpr const char* kHelp =
    "Usage: quillmoth --export OUT [options] INPUT\n"
    "       quillmoth --help | --version\n"
    "\n"
    "Exports INPUT without opening a window. INPUT is a Quillmoth document (.qmd), an image\n"
    "(png, jpg, bmp, tga, tiff, ico) or a folder of frames (its png, jpg, bmp and tga files in\n"
    "natural order, one frame each). The format of OUT comes from its extension: .png (one\n"
    "flattened frame), .gif, .apng, .webp, .mp4, .webm.\n"
    "\n"
    "Options:\n"
    "  --frames A-B    the frames A to B (or one frame: --frames A); default: the playback\n"
    "                  range, for a .png its first frame\n"
    "  --scale P       the size in percent, 1 to 1000 (default 100)\n"
    "  --format F      png, gif, apng, webp, mp4, webm, strip or sequence, whatever the\n"
    "                  extension\n"
    "  --strip         the frames side by side in one PNG file\n"
    "  --sequence      one numbered PNG file per frame: OUT less .png, _0001.png, _0002.png...\n"
    "  --fps N         frames per second, 1 to 48 (default: the document's, 12)\n"
    "  --no-loop       GIF, APNG and WebP play once instead of repeating\n"
    "  --dither D      GIF dithering: none, ordered or diffusion (default)\n"
    "  --quality Q     WebP (with --lossy) and video quality, 0 to 100 (default 90)\n"
    "  --lossy         WebP with losses instead of lossless\n"
    "\n"
    "Nothing but OUT is written. Messages go to standard error; the exit status is 0 when the\n"
    "file was written, 1 when the input could not be read or the file not written, 2 for a\n"
    "wrong command line.\n";

bool parseInt(std::string_view text, int& value) {
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && at == end && !text.empty();
}

// "A-B" or "A".
bool parseRange(std::string_view text, int& first, int& last) {
    const size_t dash = text.find('-', 1);
    if (dash == std::string_view::npos) return parseInt(text, first) && ((last = first), true);
    return parseInt(text.substr(0, dash), first) && parseInt(text.substr(dash + 1), last);
}

// Names compared as people number files: runs of digits by their value, the rest without
// regard to letter case, and byte order last so the order is total.
bool naturalLess(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = a[i] >= '0' && a[i] <= '9', db = b[j] >= '0' && b[j] <= '9';
        if (da && db) {
            size_t ei = i, ej = j;
            while (ei < a.size() && a[ei] >= '0' && a[ei] <= '9') ++ei;
            while (ej < b.size() && b[ej] >= '0' && b[ej] <= '9') ++ej;
            size_t si = i, sj = j;  // leading zeros do not count
            while (si + 1 < ei && a[si] == '0') ++si;
            while (sj + 1 < ej && b[sj] == '0') ++sj;
            if (ei - si != ej - sj) return ei - si < ej - sj;
            if (const int c = a.compare(si, ei - si, b, sj, ej - sj); c != 0) return c < 0;
            i = ei, j = ej;
            continue;
        }
        const char ca = toLowerAscii(a[i]), cb = toLowerAscii(b[j]);
        if (ca != cb) return ca < cb;
        ++i, ++j;
    }
    if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
    return a < b;
}

// A document of `width` x `height` as New makes it, with its animation layer and first frame,
// and with the new document's layer only when `withLayer`.
std::optional<Document> emptyDocument(int width, int height, bool withLayer, std::string& error) {
    if (!documentSizeAllowed(width, height)) {
        error = "A document of " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels is larger than the program allows.";
        return std::nullopt;
    }
    Document doc;
    doc.Width = int16_t(width);
    doc.Height = int16_t(height);
    TiledImage image2, image3, image4;  // the work images the reset makes; not used here
    const bool made = withLayer ? newDocument(doc, {image2, image4, image3})
                                : (resetDocument(doc, {image2, image4, image3}) &&
                                   addAnimationLayer(doc, 0) && addAnimationFrame(doc, 1));
    if (!made) {
        error = "Not enough memory for a document of " + std::to_string(width) + " x " +
                std::to_string(height) + " pixels.";
        return std::nullopt;
    }
    return doc;
}

std::optional<ExportInput> loadDocumentFile(const std::string& path, std::string& error) {
    auto contents = readDocumentFile(path, 1, error);
    if (!contents) return std::nullopt;
    if (!contents->unreadableFiles.empty()) {
        error = "Some layer or frame files of " + path + " could not be read:";
        for (const std::string& file : contents->unreadableFiles) error += "\n  " + file;
        return std::nullopt;
    }
    auto doc = emptyDocument(contents->Width, contents->Height, false, error);
    if (!doc) return std::nullopt;
    ExportInput input{std::move(*doc), {}};
    if (contents->animation &&
        !installAnimation(input.doc, input.view, std::move(contents->animation))) {
        error = "Not enough memory for the animation of " + path + ".";
        return std::nullopt;
    }
    for (Layer& layer : contents->layers) {
        layer.id = takeLayerId(input.doc);
        input.doc.layers.push_back(std::move(layer));
        ++input.doc.LayerCounter;
    }
    return input;
}

std::optional<ExportInput> loadImageDocument(const std::string& path, std::string& error) {
    std::string reason;
    auto image = loadImageTilesForDocument(path, reason);
    if (!image) {
        error = "Cannot load image: " + path + (reason.empty() ? "" : " (" + reason + ")");
        return std::nullopt;
    }
    auto doc = emptyDocument(image->width, image->height, true, error);
    if (!doc) return std::nullopt;
    // The file's pixels and alpha replace the new layer's, as opening an image does.
    if (TiledImage* layer = currentImage(*doc)) *layer = std::move(*image);
    return ExportInput{std::move(*doc), {}};
}

std::optional<ExportInput> loadFrameFolder(const std::string& folder, std::string& error) {
    std::vector<std::string> names;
    for (const std::string& name : listFolder(folder, "*", EntryKind::Files))
        if (animationFileAccepted(name)) names.push_back(name);
    std::sort(names.begin(), names.end(), naturalLess);
    if (names.empty()) {
        error = "The folder " + folder + " holds no frames (png, bmp, jpg or tga files).";
        return std::nullopt;
    }
    if (names.size() > size_t(kMaxFolderFrames)) {
        error = "The folder " + folder + " holds " + std::to_string(names.size()) +
                " frames; at most " + std::to_string(kMaxFolderFrames) + " can be exported.";
        return std::nullopt;
    }
    std::optional<Document> doc;
    ViewState view;
    for (const std::string& name : names) {
        const std::string path = joinPath(folder, name);
        std::string reason;
        auto image = loadImageTilesForDocument(path, reason);
        if (!image) {
            error = "Cannot load the frame " + path + (reason.empty() ? "" : " (" + reason + ")");
            return std::nullopt;
        }
        if (!doc && !(doc = emptyDocument(image->width, image->height, true, error)))
            return std::nullopt;
        if (!addAnimationFrame(*doc, view.CurrentFrame, std::move(*image))) {
            error = "Not enough memory for the frame " + path + ".";
            return std::nullopt;
        }
        ++view.CurrentFrame;
    }
    view.FrameEnd = int16_t(view.FrameStart + int(names.size()) - 1);
    view.CurrentFrame = view.FrameStart;
    return ExportInput{std::move(*doc), view};
}

void say(const std::string& message) {
    std::fprintf(stderr, "quillmoth: %s\n", message.c_str());
}

}  // namespace

bool isCommandLine(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i] ? argv[i] : "";
        if (a == "--export" || a.starts_with("--export=") || a == "--help" || a == "-h" ||
            a == "--version")
            return true;
    }
    return false;
}

std::optional<ExportCommand> parseExportCommand(const std::vector<std::string>& args,
                                                std::string& error) {
    ExportCommand command;
    std::vector<std::string> inputs;
    bool outputGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i], value;
        bool hasValue = false;
        if (option.starts_with("--") && option.find('=') != std::string::npos) {
            value = option.substr(option.find('=') + 1);
            option.resize(option.find('='));
            hasValue = true;
        }
        auto takeValue = [&]() -> bool {
            if (hasValue) return true;
            if (i + 1 >= args.size()) {
                error = option + " needs a value.";
                return false;
            }
            value = args[++i];
            return true;
        };
        auto fail = [&](const std::string& message) {
            error = message;
            return std::nullopt;
        };
        if (option == "--help" || option == "-h") {
            command.action = ExportCommand::Action::Help;
            return command;
        }
        if (option == "--version") {
            command.action = ExportCommand::Action::Version;
            return command;
        }
        const bool takesValue = option == "--export" || option == "--frames" ||
                                option == "--scale" || option == "--format" || option == "--fps" ||
                                option == "--dither" || option == "--quality";
        if (hasValue && !takesValue) return fail(option + " takes no value.");
        if (takesValue && !takeValue()) return std::nullopt;
        if (option == "--export") {
            if (outputGiven) return fail("--export is given twice.");
            command.output = value;
            outputGiven = true;
        } else if (option == "--frames") {
            int first = 0, last = 0;
            if (!parseRange(value, first, last))
                return fail("--frames takes a range such as 1-24 or one frame, not \"" + value +
                            "\".");
            command.firstFrame = first;
            command.lastFrame = last;
        } else if (option == "--scale") {
            std::string_view number = value;
            if (number.ends_with('%')) number.remove_suffix(1);
            if (!parseInt(number, command.scalePercent))
                return fail("--scale takes a percentage such as 50, not \"" + value + "\".");
        } else if (option == "--format") {
            command.format = exportFormatFromName(value);
            if (!command.format)
                return fail("Unknown format \"" + value +
                            "\": png, gif, apng, webp, mp4, webm, strip or sequence.");
        } else if (option == "--strip" || option == "--sequence") {
            const ExportFormat f =
                option == "--strip" ? ExportFormat::Strip : ExportFormat::Sequence;
            if (command.format && *command.format != f)
                return fail("Choose one of --strip, --sequence and --format.");
            command.format = f;
        } else if (option == "--fps") {
            int fps = 0;
            if (!parseInt(value, fps) || fps < 1 || fps > 48)
                return fail("--fps takes 1 to 48 frames per second, not \"" + value + "\".");
            command.fps = fps;
        } else if (option == "--no-loop") {
            command.encode.loop = false;
        } else if (option == "--dither") {
            const std::string d = toLowerAscii(value);
            if (d == "none")
                command.encode.dither = GifDither::None;
            else if (d == "ordered")
                command.encode.dither = GifDither::Ordered;
            else if (d == "diffusion")
                command.encode.dither = GifDither::Diffusion;
            else
                return fail("--dither takes none, ordered or diffusion, not \"" + value + "\".");
        } else if (option == "--quality") {
            int q = 0;
            if (!parseInt(value, q) || q < 0 || q > 100)
                return fail("--quality takes 0 to 100, not \"" + value + "\".");
            command.encode.quality = q;
        } else if (option == "--lossy") {
            command.encode.lossless = false;
        } else if (option.starts_with("-") && option != "-") {
            return fail("Unknown option " + option + ".");
        } else {
            inputs.push_back(args[i]);
        }
    }
    if (!outputGiven) {
        error = "--export OUT is missing.";
        return std::nullopt;
    }
    if (command.output.empty()) {
        error = "--export needs a file name.";
        return std::nullopt;
    }
    if (inputs.size() != 1) {
        error = inputs.empty()
                    ? "The input (a .qmd document, an image or a folder of frames) is missing."
                    : "Give one input; more were given: " + inputs[0] + ", " + inputs[1] + ".";
        return std::nullopt;
    }
    command.input = inputs[0];
    if (!command.format) {
        command.format = exportFormatFromPath(command.output);
        if (!command.format) {
            error = "The format of " + command.output +
                    " is not known from its extension: use .png, .gif, .apng, .webp, .mp4 or "
                    ".webm, or give --format, --strip or --sequence.";
            return std::nullopt;
        }
    }
    return command;
}

std::optional<ExportInput> loadExportInput(const std::string& input, std::string& error) {
    try {
        if (!pathIsUsable(input)) {
            error = "No input was given.";
            return std::nullopt;
        }
        if (folderExists(input)) return loadFrameFolder(input, error);
        if (!fileExists(input)) {
            error = "The input " + input + " does not exist.";
            return std::nullopt;
        }
        if (endsWithIgnoreCase(input, ".qmd")) return loadDocumentFile(input, error);
        return loadImageDocument(input, error);
    } catch (const std::bad_alloc&) {
        error = "Not enough memory to read " + input + ".";
        return std::nullopt;
    }
}

int runCommandLine(int argc, const char* const* argv, std::string_view version) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
    std::string error;
    const auto command = parseExportCommand(args, error);
    if (!command) {
        say(error);
        std::fputs("Try: quillmoth --help\n", stderr);
        return kExitUsage;
    }
    if (command->action == ExportCommand::Action::Help) {
        std::fputs(kHelp, stdout);
        return kExitDone;
    }
    if (command->action == ExportCommand::Action::Version) {
        std::printf("Quillmoth %.*s\n", int(version.size()), version.data());
        return kExitDone;
    }
    auto input = loadExportInput(command->input, error);
    if (!input) {
        say(error);
        return kExitFailed;
    }
    Document* doc = &input->doc;
    if (command->fps) doc->Fps = uint8_t(*command->fps);
    AnimationExportOptions options;
    options.path = command->output;
    options.format = *command->format;
    const bool single = options.format == ExportFormat::Png;
    options.firstFrame = command->firstFrame.value_or(input->view.FrameStart);
    options.lastFrame =
        command->lastFrame.value_or(single ? options.firstFrame : input->view.FrameEnd);
    options.scalePercent = command->scalePercent;
    options.encode = command->encode;
    if (const std::string problem = exportAnimation(*doc, input->view, options); !problem.empty()) {
        say(problem);
        return kExitFailed;
    }
    return kExitDone;
}

}  // namespace qm
