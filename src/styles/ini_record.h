// A record's fields bound to INI keys by a table, so that one table says which key holds
// which field and in what order keys are read and written (style options, tag rules, the
// program settings).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "styles/ini_file.h"

namespace tessel {

template <typename Record>
using IniField = std::variant<std::string Record::*, int Record::*, bool Record::*,
                              std::uint32_t Record::*>;

template <typename Record>
struct KeyField {
  std::string_view Key;
  IniField<Record> Member;
};

namespace ini_detail {

// Each field's current value is its default when the key is missing or unreadable.
inline void ReadValue(const IniFile& ini, std::string_view section, std::string_view key,
                      std::string& v) {
  v = ini.GetString(section, key, v);
}
inline void ReadValue(const IniFile& ini, std::string_view section, std::string_view key, int& v) {
  v = ini.GetInt(section, key, v);
}
inline void ReadValue(const IniFile& ini, std::string_view section, std::string_view key, bool& v) {
  v = ini.GetBool(section, key, v);
}
/// Unsigned values are stored as non-negative integers; a negative one is unreadable.
inline void ReadValue(const IniFile& ini, std::string_view section, std::string_view key,
                      std::uint32_t& v) {
  const int read = ini.GetInt(section, key, -1);
  if (read >= 0) v = static_cast<std::uint32_t>(read);
}

inline void WriteValue(IniFile& ini, std::string_view section, std::string_view key,
                       const std::string& v) {
  ini.Set(section, key, v);
}
inline void WriteValue(IniFile& ini, std::string_view section, std::string_view key, int v) {
  ini.SetInt(section, key, v);
}
inline void WriteValue(IniFile& ini, std::string_view section, std::string_view key, bool v) {
  ini.SetBool(section, key, v);
}
inline void WriteValue(IniFile& ini, std::string_view section, std::string_view key,
                       std::uint32_t v) {
  ini.SetInt(section, key, static_cast<int>(v));
}

}  // namespace ini_detail

/// Reads every key of `keys` from `section` into `record`; missing keys keep the field.
template <typename Record, size_t N>
void ReadRecord(const IniFile& ini, std::string_view section,
                const std::array<KeyField<Record>, N>& keys, Record& record) {
  // No structured binding here: clang before 16 cannot capture one in the lambda.
  for (const KeyField<Record>& k : keys) {
    std::visit([&](auto field) { ini_detail::ReadValue(ini, section, k.Key, record.*field); },
               k.Member);
  }
}

/// Writes every key of `keys` into `section`, in table order.
template <typename Record, size_t N>
void WriteRecord(IniFile& ini, std::string_view section,
                 const std::array<KeyField<Record>, N>& keys, const Record& record) {
  for (const KeyField<Record>& k : keys) {
    std::visit([&](auto field) { ini_detail::WriteValue(ini, section, k.Key, record.*field); },
               k.Member);
  }
}

}  // namespace tessel
