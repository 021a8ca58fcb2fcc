#include "buslink/sim/built_in_bench.h"

namespace buslink::sim {

// The registers are what EasySetup leaves (START set, AIN2 measured in place of FAN2, the limits
// for VID code 12), so the window shows readings at once and the terminal program sees a chip
// that converts. The voltages wander slowly around nominal, each at its own pace; FAN1 speeds up
// and slows down once a minute; External 1 peaks above its 90 degree limit for a few seconds every
// two minutes, the first time a minute in, so a demonstration meets an alarm early.
std::string_view BuiltInBenchJson() {
  return R"json({
  "seed": 1,
  "printer_ports": [
    { "base": "0x378", "boards": [ { "address": "0x5C", "answers_under": "false" } ] }
  ],
  "smbus": { "base_address": "0x5000", "chips": [ { "address": "0x2D" } ] },
  "chip": {
    "registers": {
      "0x40": "0x03", "0x16": "0x02", "0x47": "0x50", "0x19": "0xFF",
      "0x3C": "0xA8", "0x1B": "0x89", "0x3B": "0xA9",
      "0x2B": "0xD3", "0x2C": "0xAB", "0x2F": "0xD3", "0x30": "0xAB", "0x31": "0xD3",
      "0x32": "0xAB", "0x33": "0xD3", "0x34": "0xAB", "0x35": "0x8C", "0x36": "0x72",
      "0x37": "0x5A", "0x38": "0x00", "0x39": "0x5A", "0x3A": "0x00",
      "0x43": "0x00", "0x44": "0x00", "0x2E": "0x5C", "0x2D": "0x70"
    },
    "inputs": {
      "v25": { "sine": { "mean": 2.5, "amplitude": 0.02, "period": "7min" },
               "noise": { "sigma": 0.005 } },
      "vccp1": { "sine": { "mean": 1.45, "amplitude": 0.015, "period": "11min", "phase": "2min" },
                 "noise": { "sigma": 0.005 } },
      "vcc": { "sine": { "mean": 3.3, "amplitude": 0.03, "period": "9min", "phase": "1min" },
               "noise": { "sigma": 0.006 } },
      "v5": { "sine": { "mean": 5.0, "amplitude": 0.04, "period": "13min", "phase": "4min" },
              "noise": { "sigma": 0.01 } },
      "v12": { "sine": { "mean": 12.0, "amplitude": 0.12, "period": "8min", "phase": "3min" },
               "noise": { "sigma": 0.03 } },
      "vccp2": { "sine": { "mean": 1.75, "amplitude": 0.015, "period": "10min", "phase": "5min" },
                 "noise": { "sigma": 0.005 } },
      "ain1": [ 1.0, { "noise": { "sigma": 0.004 } } ],
      "ain2": { "sine": { "mean": 1.5, "amplitude": 0.02, "period": "6min" },
                "noise": { "sigma": 0.004 } },
      "temp_internal": { "sine": { "mean": 34, "amplitude": 2, "period": "5min" },
                         "noise": { "sigma": 0.2 } },
      "temp_ext1": { "sine": { "mean": 62, "amplitude": 29, "period": "2min", "phase": "30s" },
                     "noise": { "sigma": 0.25 } },
      "temp_ext2": { "sine": { "mean": 45, "amplitude": 3, "period": "4min" },
                     "noise": { "sigma": 0.25 } },
      "fan1_rpm": { "sine": { "mean": 5000, "amplitude": 800, "period": "60s" },
                    "noise": { "sigma": 20 } },
      "fan2_rpm": [ 3000, { "noise": { "sigma": 15 } } ]
    }
  }
})json";
}

}  // namespace buslink::sim
