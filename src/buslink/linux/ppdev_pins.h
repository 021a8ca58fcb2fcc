#pragma once

#include <memory>
#include <string>

#include "buslink/linux/port_pins.h"
#include "buslink/linux/system_calls.h"

namespace buslink::linux_hw {

// A printer port through ppdev: opened and claimed for as long as the object lives, so no other
// program or driver moves the lines under the board.
class PpdevPins : public PortPins {
 public:
  // Throws BusError that says what to do (module, permission, port in use).
  static std::unique_ptr<PpdevPins> Open(std::shared_ptr<SystemCalls> calls,
                                         const std::string& node);
  ~PpdevPins() override;
  PpdevPins(const PpdevPins&) = delete;
  PpdevPins& operator=(const PpdevPins&) = delete;

  void WriteData(std::uint8_t value) override;
  std::uint8_t ReadStatus() override;
  void WriteControl(std::uint8_t value) override;

 private:
  PpdevPins(std::shared_ptr<SystemCalls> calls, std::string node, int fd);
  void Call(unsigned long request, void* arg, const char* what);

  std::shared_ptr<SystemCalls> calls_;
  std::string node_;
  int fd_;
};

}  // namespace buslink::linux_hw
