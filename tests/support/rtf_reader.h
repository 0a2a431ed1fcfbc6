// Reading the editor's RTF documents (TextToRtf) back into their text and the colour of
// every byte, for the tests and the fuzz targets that hold the colouring against the RTF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessel::testing {

struct ColouredText {
  std::string Text;
  std::vector<int> Classes;  // per byte of Text: the N of the "\cfN" in force there
  std::string Error;         // empty when the document read as TextToRtf writes them
};

/// The body after the colour table: "\cfN " switches, CR LF "\par " as the two bytes of a
/// line end, "\\", "\{" and "\}" as one byte each, everything else as it is, up to the
/// closing "}".
ColouredText ReadColouredRtf(std::string_view rtf);

}  // namespace tessel::testing
