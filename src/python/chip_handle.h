#pragma once

#include <memory>
#include <optional>
#include <string>

#include <pybind11/pybind11.h>

#include "access/declarations.h"
#include "chip/sampler.h"
#include "cli/session.h"
#include "python/bench.h"

// kelvran.Chip: one chip the search found, read and written through the same register transfer,
// sampler, snapshot files and restore plan as the programs.
namespace pykelvran {

class ChipHandle {
 public:
  ChipHandle(std::shared_ptr<Bench> bench, const cli::Found& found);
  ChipHandle(const ChipHandle&) = delete;  // the sampler reads through this object
  ChipHandle& operator=(const ChipHandle&) = delete;

  std::string place() const;  // as `kelvran detect` prints it
  int company_id();
  int revision();
  pybind11::list channels();

  int Read(const pybind11::object& reg);
  int Write(const pybind11::object& reg, int value);
  pybind11::object Sample();

  pybind11::dict Snapshot();
  void SaveSnapshot(const pybind11::object& path, bool overwrite);
  pybind11::list Restore(const pybind11::object& source, bool force, bool dry_run);

  void Close();
  bool closed() const { return closed_; }

 private:
  // Runs f on the bus: the GIL released, the computer's lock held, a bus error in the words of
  // the programs.
  template <typename F>
  auto OnBus(F&& f);
  std::uint8_t ReadByte(std::uint8_t address);
  std::string SnapshotText();  // the snapshot file's text, read now

  std::shared_ptr<Bench> bench_;
  cli::Found found_;
  std::unique_ptr<devaccess::Declarations> d_;
  std::unique_ptr<chip::Sampler> sampler_;
  bool closed_ = false;
};

}  // namespace pykelvran
