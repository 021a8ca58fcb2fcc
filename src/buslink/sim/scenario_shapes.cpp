// Inputs that change with time: a shape is an object whose parts add up, or a list of numbers
// and shapes that add up.
#include <filesystem>
#include <memory>
#include <type_traits>

#include "buslink/sim/profile.h"
#include "buslink/sim/scenario_reader.h"

namespace buslink::sim::scenario_format {

namespace {

using Shape = InputShape;

constexpr Word<Afterwards> kAfterwards[] = {
    {"hold", Afterwards::Hold}, {"repeat", Afterwards::Repeat}, {"bounce", Afterwards::Bounce}};

constexpr Field<Shape::Sine> kSineKeys[] = {
    {"mean", Real<&Shape::Sine::mean>},
    {"amplitude", Real<&Shape::Sine::amplitude>, Need::Required},
    {"period", Seconds<&Shape::Sine::period, false>, Need::Required},
    {"phase", Seconds<&Shape::Sine::phase, true>},
};

constexpr Field<Shape::Ramp> kRampKeys[] = {
    {"from", Real<&Shape::Ramp::from>, Need::Required},
    {"to", Real<&Shape::Ramp::to>, Need::Required},
    {"over", Seconds<&Shape::Ramp::over, false>, Need::Required},
    {"start", Seconds<&Shape::Ramp::start, true>},
    {"then", OneOf<&Shape::Ramp::then, kAfterwards>},
};

// A given length is never 0, so 0 tells that none was given.
void ReadEvery(Reader& r, const json& value, const std::string& path, Shape::Pulse& into) {
  if (into.length == 0.0) r.Fail(path + ": a step that repeats needs its \"length\"");
  into.every = r.Duration(value, path, false);
}

// A step and a pulse are one shape: a pulse is a step with a length.
constexpr Field<Shape::Pulse> kStepKeys[] = {
    {"base", Real<&Shape::Pulse::base>},
    {"level", Real<&Shape::Pulse::level>, Need::Required},
    {"start", Seconds<&Shape::Pulse::start, true>},
    {"length", Seconds<&Shape::Pulse::length, false>},
    {"every", ReadEvery},
};
constexpr Field<Shape::Pulse> kPulseKeys[] = {
    kStepKeys[0], kStepKeys[1],
    kStepKeys[2], {"length", Seconds<&Shape::Pulse::length, false>, Need::Required},
    kStepKeys[4],
};

constexpr Field<Shape::Noise> kNoiseKeys[] = {
    {"sigma", Real<&Shape::Noise::sigma, true>, Need::Required},
};

// A relative name is found beside the scenario file.
void ReadCsvFile(Reader& r, const json& value, const std::string& path, Shape::Profile& into) {
  if (!value.is_string()) {
    r.Fail(path + ": expected the name of a CSV file, got " + Reader::Describe(value));
  }
  std::filesystem::path name = value.get<std::string>();
  if (name.is_relative()) name = std::filesystem::path(r.source()).parent_path() / name;
  try {
    into.points = std::make_shared<const Shape::Points>(ProfileFromFile(name.string()));
  } catch (const ProfileError& error) {
    r.Fail(path + ": " + error.what());
  }
}

constexpr Field<Shape::Profile> kCsvKeys[] = {
    {"file", ReadCsvFile, Need::Required},
    {"then", OneOf<&Shape::Profile::then, kAfterwards>},
};

// One part of a shape, read by its table; a step that repeats must also outlast its length.
template <typename Part, const auto& kTable>
void Add(Reader& r, const json& value, const std::string& path, Shape& into) {
  Part part;
  r.Read(value, path, Fields{kTable, part});
  if constexpr (std::is_same_v<Part, Shape::Pulse>) {
    if (part.every != 0.0 && part.every <= part.length) {
      r.Fail(Key(path, "every") + ": " + value["every"].dump() +
             " must be longer than the length, " + value["length"].dump());
    }
  }
  into.Add(part);
}

// {"csv": "file.csv"} or {"csv": {"file": "file.csv", "then": "repeat"}}.
void AddCsv(Reader& r, const json& value, const std::string& path, Shape& into) {
  Shape::Profile profile;
  if (value.is_object()) {
    r.Read(value, path, Fields{kCsvKeys, profile});
  } else {
    ReadCsvFile(r, value, path, profile);
  }
  into.Add(profile);
}

constexpr Field<Shape> kPartKeys[] = {
    {"sine", Add<Shape::Sine, kSineKeys>},    {"ramp", Add<Shape::Ramp, kRampKeys>},
    {"step", Add<Shape::Pulse, kStepKeys>},   {"pulse", Add<Shape::Pulse, kPulseKeys>},
    {"noise", Add<Shape::Noise, kNoiseKeys>}, {"csv", AddCsv},
};

void ReadParts(Reader& r, const json& object, const std::string& path, Shape& shape) {
  if (object.empty()) {
    r.Fail(path + ": an empty shape; give one or more of " +
           KeyList(std::span<const Field<Shape>>(kPartKeys)));
  }
  r.ReadInObjectOrder(object, path, Fields{kPartKeys, shape});
}

}  // namespace

// A number replaces any shape an outer "chip" gave, and the reverse.
void ReadAnalogInput(Reader& r, const json& value, const std::string& path, double min,
                     double& number, InputShape& shape) {
  if (value.is_object()) {
    shape = Shape();
    ReadParts(r, value, path, shape);
    return;
  }
  if (value.is_array()) {
    if (value.empty()) r.Fail(path + ": an empty list; give numbers and shapes to add up");
    shape = Shape();
    r.ReadList(value, path, [&](const json& item, const std::string& item_path, std::size_t) {
      if (item.is_object()) {
        ReadParts(r, item, item_path, shape);
      } else {
        shape.Add(r.Number(item, item_path, kAny));
      }
    });
    return;
  }
  if (!value.is_number() && !value.is_string()) {
    r.Fail(path + ": expected a number or a shape such as {\"sine\": {...}}, got " +
           Reader::Describe(value));
  }
  number = r.Number(value, path, min);
  shape = Shape();
}

}  // namespace buslink::sim::scenario_format
