// The text a new, never saved document starts with.
#pragma once

#include <string>

#include "engine/engine.h"

namespace tessel {

/// An empty HTML page titled "New File: yyyy-mm-dd" with `today`'s date, its lines joined
/// by CR LF and no line end after the last.
std::string NewDocumentText(const DocDateTime& today);

}  // namespace tessel
