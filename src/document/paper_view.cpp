#include "document/paper_view.h"

#include <algorithm>

#include "document/document_ops.h"

namespace qm {

namespace {

// As the display images map view pixels to document pixels (resizeNearest's mapping).
int nearestIndex(int64_t i, int64_t n, int64_t m) {
    return int(((2 * i + 1) * n) / (2 * m));
}

}  // namespace

PaperView::PaperView(const PaperTexture& texture, int zoom) : texture_(&texture) {
    if (texture.empty()) return;
    width_ = displaySize(texture.width(), zoom);
    height_ = displaySize(texture.height(), zoom);
    if (width_ <= 0 || height_ <= 0) width_ = height_ = 0;
}

void PaperView::columnsOf(int x0, int n, int* out) const {
    const int64_t from = texture_->width(), to = width_;
    const int tw = texture_->repeated().empty() ? 1 : texture_->repeated().width;
    // The source column steps by (2 * from) / (2 * to) with a remainder carried along, which
    // gives nearestIndex for every column without a division per pixel.
    int64_t numerator = (2 * int64_t(x0) + 1) * from;
    const int64_t denominator = 2 * to;
    int64_t source = numerator / denominator, rest = numerator % denominator;
    const int64_t step = (2 * from) / denominator, stepRest = (2 * from) % denominator;
    int column = int(source % tw);
    for (int i = 0; i < n; ++i) {
        out[i] = column;
        source += step;
        rest += stepRest;
        int64_t advance = step;
        if (rest >= denominator) {
            rest -= denominator;
            ++source;
            ++advance;
        }
        column = int((column + advance) % tw);
    }
}

void PaperView::prepareColumns(int x0, int n) {
    if (empty() || n <= 0) return;
    preparedX0_ = x0;
    preparedColumns_.resize(size_t(n));
    columnsOf(x0, n, preparedColumns_.data());
}

void PaperView::readRow(int y, int x0, int n, uint32_t* out) const {
    if (n <= 0) return;
    const int sourceY = nearestIndex(y, texture_->height(), height_);
    const Image& repeated = texture_->repeated();
    if (repeated.empty()) {
        std::fill_n(out, n, 0xFF000000u);
        return;
    }
    if (width_ == texture_->width()) {  // 100 %: the texture's own row
        texture_->readRow(sourceY, x0, n, out);
        return;
    }
    const uint32_t* row = repeated.row(sourceY % repeated.height);
    const int64_t offset = int64_t(x0) - preparedX0_;
    if (offset >= 0 && offset + n <= int64_t(preparedColumns_.size())) {
        const int* columns = preparedColumns_.data() + offset;
        for (int i = 0; i < n; ++i) out[i] = row[columns[i]];
        return;
    }
    std::vector<int> columns(static_cast<size_t>(n));
    columnsOf(x0, n, columns.data());
    for (int i = 0; i < n; ++i) out[i] = row[columns[size_t(i)]];
}

}  // namespace qm
