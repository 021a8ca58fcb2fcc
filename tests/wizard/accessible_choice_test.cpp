// The results list worked by an accessibility tool alone, as on a Wayland desktop where a test or
// a screen reader cannot move the pointer: the line it selects is the one Finish hands over.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QListWidget>

#include "buslink/sim/scenario.h"
#include "buslink/sim/simulated_hardware.h"
#include "wizard_window.h"

namespace {

TEST(AccessibleChoice, ALineSelectedByItsToggleActionIsTheOneFinishHandsOver) {
  buslink::sim::SimulatedHardware hardware(buslink::sim::Scenario::BuiltIn(), nullptr);
  WizardWindow w(hardware);
  w.ToMedia(true, true);
  w.Click("NextCMD");
  ASSERT_EQ(w.Lines().size(), 2);
  ASSERT_TRUE(w.Lines()[1].endsWith(QStringLiteral("SMBus2D")));

  auto* list = w.Find<QListWidget>("SearchResultsLIST");
  QAccessibleInterface* line = QAccessible::queryAccessibleInterface(list)->child(1);
  ASSERT_NE(line, nullptr);
  ASSERT_NE(line->actionInterface(), nullptr);
  line->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
  EXPECT_TRUE(line->state().selected);

  w.Click("FinishCMD");
  EXPECT_EQ(w.d.comms_medium, 0) << "the SMBus, not the printer port of the first line";
  EXPECT_EQ(w.d.device_address, 0x2D);
}

}  // namespace
