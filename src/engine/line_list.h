// An ordered list of text lines kept in one buffer, so that long documents cost one
// allocation per growth step instead of one per line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

/// Lines are kept one after another, each closed by a line feed, so the whole list is one
/// buffer and a text that is already split that way can be taken over without a copy.
class LineList {
 public:
  void Clear() {
    data_.clear();
    ends_.clear();
    tags_.clear();
  }
  size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }

  std::string_view operator[](size_t i) const {
    size_t begin = i == 0 ? 0 : ends_[i - 1] + 1;
    return std::string_view(data_).substr(begin, ends_[i] - begin);
  }
  /// A number kept beside each line (the engine marks block markers with it); 0 by default.
  uint32_t Tag(size_t i) const { return tags_[i]; }

  void Append(std::string_view line, uint32_t tag = 0) {
    data_.append(line);
    CloseLine(tag);
  }

  /// Building a line in place: append to Open(), then CloseLine().
  std::string& Open() { return data_; }
  size_t OpenSize() const { return data_.size() - OpenStart(); }
  void CloseLine(uint32_t tag = 0) {
    ends_.push_back(data_.size());
    tags_.push_back(tag);
    data_.push_back('\n');
  }
  /// Drops what was appended to the open line.
  void DiscardOpen() { data_.resize(OpenStart()); }

  /// Takes over `text` as lines split at its line feeds; a last line without one gets one.
  void Adopt(std::string&& text) {
    Clear();
    if (!text.empty() && text.back() != '\n') text.push_back('\n');
    data_ = std::move(text);
    for (size_t at = data_.find('\n'); at != std::string::npos; at = data_.find('\n', at + 1)) {
      ends_.push_back(at);
    }
    tags_.assign(ends_.size(), 0);
  }

  /// Empties the list and hands over its buffer, capacity included, for reuse.
  std::string TakeBuffer() {
    std::string buffer = std::move(data_);
    Clear();
    buffer.clear();
    return buffer;
  }

  std::vector<std::string> ToStrings() const {
    std::vector<std::string> out;
    out.reserve(size());
    for (size_t i = 0; i < size(); ++i) out.emplace_back((*this)[i]);
    return out;
  }
  /// Every line followed by `eol`.
  std::string Joined(std::string_view eol) const {
    std::string out;
    out.reserve(data_.size() + size() * eol.size());
    for (size_t i = 0; i < size(); ++i) {
      out += (*this)[i];
      out += eol;
    }
    return out;
  }
  /// Bytes held, separators included.
  size_t ByteSize() const { return data_.size(); }
  void Reserve(size_t bytes, size_t lines) {
    data_.reserve(bytes);
    ends_.reserve(lines);
    tags_.reserve(lines);
  }

 private:
  size_t OpenStart() const { return ends_.empty() ? 0 : ends_.back() + 1; }

  std::string data_;
  std::vector<size_t> ends_;
  std::vector<uint32_t> tags_;
};

}  // namespace tessel
