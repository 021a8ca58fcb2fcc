// The main window on the built-in simulated chip, recording to argv[1] every 10 ms until it is
// killed: what the kill test runs.
#include <QApplication>

#include "access/declarations.h"
#include "boxes/message_boxes.h"
#include "buslink/sim/scenario.h"
#include "buslink/sim/simulated_hardware.h"
#include "display/main_form.h"
#include "menus/menu_features.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  QApplication application(argc, argv);
  buslink::sim::SimulatedHardware hardware(buslink::sim::Scenario::BuiltIn(), nullptr);
  devaccess::Declarations d(&hardware);
  d.device_address = 0x2D;
  boxes::QtMessageBoxes boxes;
  display::MainForm form(d, boxes);
  form.show();
  if (!form.menu_features().StartRecording(QString::fromLocal8Bit(argv[1]), 10)) return 1;
  return QApplication::exec();
}
