// Placeholder: this generator writes nothing yet.
#include "assetgen.h"

namespace qm::assetgen {

bool generateBrushPresets(const std::string&, std::string&) { return true; }

}  // namespace qm::assetgen
