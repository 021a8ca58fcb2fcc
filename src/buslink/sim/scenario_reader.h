#pragma once

// How a scenario file is read: every object is described once by a table of its keys, and one
// reader checks unknown keys, types and ranges for all of them, turning each fault into one line
// that names the source and the key's path.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "buslink/sim/scenario.h"

namespace buslink::sim::scenario_format {

using nlohmann::json;

constexpr double kAny = -std::numeric_limits<double>::max();
constexpr bool kHex = true;  // ranges of addresses and registers are told in hexadecimal
constexpr int kMaxAdapterNumber = 1023;

std::string Key(const std::string& path, std::string_view key);
std::string Index(const std::string& path, std::size_t i);
std::string Hex(std::int64_t value, int digits = 2);
// "0x5C", "0X5c", "92" or "-5"; the whole text must be the number.
std::optional<std::int64_t> IntegerFromText(std::string_view text);
const json* Find(const json& object, const char* key);

class Reader;
template <typename T>
struct Field;

// "sine, ramp, step": the keys of a table, for messages.
template <typename T>
std::string KeyList(std::span<const Field<T>> table) {
  std::string list;
  for (const Field<T>& field : table) list += (list.empty() ? "" : ", ") + std::string(field.key);
  return list;
}

enum class Need {
  Optional,
  Required,
  First,  // optional, read before the other keys of its object: they depend on it
};

// One key of an object: its name and how its value is read into what the object describes.
template <typename T>
struct Field {
  const char* key;
  void (*read)(Reader& reader, const json& value, const std::string& path, T& into);
  Need need = Need::Optional;
  const char* missing = nullptr;  // what a missing required key is told as; nullptr: "missing key"
};

// A table of keys and what they fill; one object may be read by several tables at once.
template <typename T>
struct Fields {
  std::span<const Field<T>> table;
  T& into;
};
template <typename T, std::size_t N>
Fields(const Field<T> (&)[N], T&) -> Fields<T>;
template <typename T>
Fields(std::span<const Field<T>>, T&) -> Fields<T>;

// A word of a closed set and what it stands for; words are matched with case ignored.
template <typename V>
struct Word {
  const char* text;
  V value;
};

class Reader {
 public:
  explicit Reader(std::string source) : source_(std::move(source)) {}

  const std::string& source() const { return source_; }
  // The scenario-wide chip every board and adapter chip starts from.
  ChipSetup chip;

  [[noreturn]] void Fail(const std::string& what) const;
  static std::string Describe(const json& value);
  void RequireObject(const json& value, const std::string& path) const;
  void RequireArray(const json& value, const std::string& path) const;

  // A whole number written as a JSON number or as text ("0x5C", "92"), within min..max.
  std::int64_t Integer(const json& value, const std::string& path, std::int64_t min,
                       std::int64_t max, bool hex = false) const;
  double Number(const json& value, const std::string& path, double min) const;
  bool Boolean(const json& value, const std::string& path) const;
  // Seconds, written as a number or as text with a unit ("30s", "250ms", "1.5min", "2h").
  double Duration(const json& value, const std::string& path, bool zero_allowed) const;
  // An adapter's name or path is shown in windows and on terminals: one line of printable text.
  std::string Name(const json& value, const std::string& path) const;

  template <typename V, std::size_t N>
  V Choice(const json& value, const std::string& path, const Word<V> (&words)[N]) const {
    std::string_view texts[N];
    for (std::size_t i = 0; i < N; ++i) texts[i] = words[i].text;
    return words[ChoiceIndex(value, path, texts)].value;
  }

  // Checks the object's keys against the tables, then reads the keys it has, table by table.
  template <typename... T>
  void Read(const json& object, const std::string& path, const Fields<T>&... fields) {
    CheckKeys(object, path, fields...);
    (ReadTable(object, path, fields, true), ...);
    (ReadTable(object, path, fields, false), ...);
  }

  // The same, in the object's own order of keys, for parts that add up in that order.
  template <typename T>
  void ReadInObjectOrder(const json& object, const std::string& path, const Fields<T>& fields) {
    CheckKeys(object, path, fields);
    for (const auto& item : object.items()) {
      for (const Field<T>& field : fields.table) {
        if (item.key() == field.key) {
          field.read(*this, item.value(), Key(path, field.key), fields.into);
        }
      }
    }
  }

  // Each entry of an array, with its index and path ("printer_ports[1]").
  template <typename Each>
  void ReadList(const json& list, const std::string& path, Each each) {
    RequireArray(list, path);
    for (std::size_t i = 0; i < list.size(); ++i) each(list[i], Index(path, i), i);
  }

 private:
  std::size_t ChoiceIndex(const json& value, const std::string& path,
                          std::span<const std::string_view> texts) const;

  template <typename... T>
  void CheckKeys(const json& object, const std::string& path, const Fields<T>&... fields) const {
    RequireObject(object, path);
    for (const auto& item : object.items()) {
      if ((Has(fields.table, item.key()) || ...)) continue;
      std::string known;
      ((known += (known.empty() ? "" : ", ") + KeyList(fields.table)), ...);
      Fail("unknown key " + Key(path, item.key()) + " (known here: " + known + ")");
    }
  }

  // Reads the table's First keys, or all its others.
  template <typename T>
  void ReadTable(const json& object, const std::string& path, const Fields<T>& fields, bool first) {
    for (const Field<T>& field : fields.table) {
      if ((field.need == Need::First) != first) continue;
      if (const json* value = Find(object, field.key)) {
        field.read(*this, *value, Key(path, field.key), fields.into);
      } else if (field.need == Need::Required) {
        Fail(field.missing != nullptr ? path + ": " + field.missing
                                      : "missing key " + Key(path, field.key));
      }
    }
  }

  template <typename T>
  static bool Has(std::span<const Field<T>> table, const std::string& key) {
    for (const Field<T>& field : table) {
      if (key == field.key) return true;
    }
    return false;
  }

  std::string source_;
};

// Readers for the common kinds of key, each filling one member: a row of a table is then
// {"key", Whole<&Setup::member, 0, 255>}.
template <typename M>
struct MemberOf;
template <typename C, typename V>
struct MemberOf<V C::*> {
  using Class = C;
  using Value = V;
};
template <typename V>
struct Plain {
  using type = V;
};
template <typename V>
struct Plain<std::optional<V>> {
  using type = V;
};
template <auto kMember>
using ClassOf = typename MemberOf<decltype(kMember)>::Class;
template <auto kMember>
using ValueOf = typename Plain<typename MemberOf<decltype(kMember)>::Value>::type;

template <auto kMember, std::int64_t kMin, std::int64_t kMax, bool kInHex = false>
void Whole(Reader& r, const json& value, const std::string& path, ClassOf<kMember>& into) {
  into.*kMember = static_cast<ValueOf<kMember>>(r.Integer(value, path, kMin, kMax, kInHex));
}

template <auto kMember, bool kNonNegative = false>
void Real(Reader& r, const json& value, const std::string& path, ClassOf<kMember>& into) {
  into.*kMember = r.Number(value, path, kNonNegative ? 0.0 : kAny);
}

template <auto kMember, bool kZeroAllowed>
void Seconds(Reader& r, const json& value, const std::string& path, ClassOf<kMember>& into) {
  into.*kMember = r.Duration(value, path, kZeroAllowed);
}

template <auto kMember>
void Flag(Reader& r, const json& value, const std::string& path, ClassOf<kMember>& into) {
  into.*kMember = r.Boolean(value, path);
}

template <auto kMember>
void Text(Reader& r, const json& value, const std::string& path, ClassOf<kMember>& into) {
  into.*kMember = r.Name(value, path);
}

template <auto kMember, const auto& kWords>
void OneOf(Reader& r, const json& value, const std::string& path, ClassOf<kMember>& into) {
  into.*kMember = r.Choice(value, path, kWords);
}

// A nested object read by its own table.
template <auto kMember, const auto& kTable>
void Object(Reader& r, const json& value, const std::string& path, ClassOf<kMember>& into) {
  r.Read(value, path, Fields{kTable, into.*kMember});
}

// The sections of a scenario, each in its own file.
extern const std::span<const Field<ChipSetup>> kChipKeys;  // scenario_chip.cpp
void ReadPrinterPorts(Reader& r, const json& value, const std::string& path, Scenario& into);
void ReadSMBus(Reader& r, const json& value, const std::string& path, Scenario& into);
void ReadI2cAdapters(Reader& r, const json& value, const std::string& path, Scenario& into);
void ReadAnalogInput(Reader& r, const json& value, const std::string& path, double min,
                     double& number, InputShape& shape);  // scenario_shapes.cpp

}  // namespace buslink::sim::scenario_format
