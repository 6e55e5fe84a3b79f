// The paper at the view's zoom, made by rows as the compositor asks for them: no image of the
// paper at view scale is kept, so deep zoom costs what is on screen. Row y, pixels x0 .. x0 + n
// - 1 are those of resizeNearest(the document-size texture paper, width(), height()), bit for
// bit.
#pragma once

#include <cstdint>
#include <vector>

#include "document/paper.h"

namespace qm {

class PaperView {
public:
    PaperView() = default;
    // The view of `texture` (which must outlive it) at `zoom` percent: displaySize of its sides.
    PaperView(const PaperTexture& texture, int zoom);

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ <= 0 || height_ <= 0; }

    // Keeps the texture columns under view columns x0 .. x0 + n - 1, so that rows read inside
    // them gather without arithmetic (the canvas asks for the same columns row after row). Not
    // thread-safe; readRow is, between two calls of this.
    void prepareColumns(int x0, int n);
    // Pixels x0 .. x0 + n - 1 of view row y (all inside the view) into out.
    void readRow(int y, int x0, int n, uint32_t* out) const;

private:
    // The texture's column (within its repeated tile) under view column x0, and those after it.
    void columnsOf(int x0, int n, int* out) const;

    const PaperTexture* texture_ = nullptr;
    int width_ = 0, height_ = 0;
    int preparedX0_ = 0;
    std::vector<int> preparedColumns_;
};

}  // namespace qm
