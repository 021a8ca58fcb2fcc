#include "userfiles/snapshot_actions.h"

#include <QFileInfo>
#include <chrono>
#include <stdexcept>

#include "access/chip_place.h"
#include "access/link_new_com_port.h"
#include "boxes/feature_dialogs.h"
#include "chip/local_time.h"
#include "chip/register_catalogue.h"
#include "chip/restore_flow.h"
#include "files/file_replace.h"
#include "files/file_text.h"

namespace userfiles {

namespace {

const QString kSaveTitle = QStringLiteral("Save Register Snapshot");
const QString kRestoreTitle = QStringLiteral("Restore Register Snapshot");
const QString kFilter = QStringLiteral("Register snapshots (*.json);;All files (*)");

std::uint8_t ReadChip(devaccess::Declarations& d, std::uint8_t address) {
  return static_cast<std::uint8_t>(devaccess::ReadAt(d, address));
}

// What a file or the chip says, shown in a box: as plain text, whatever it holds.
QString Plain(const std::string& text) {
  return QString::fromStdString(files::PlainText(text));
}

// "SMBus at 0x2D" or "printer port at 0x5C on port 0x378": where the chip in use sits.
std::string Where(const chip::ChipPlace& place) {
  std::string where = place.medium + " at " + chip::HexByte(place.chip_address);
  if (place.port_base) where += " on port " + chip::HexByte(*place.port_base);
  return where;
}

// The registers the user left ticked (the pause and resume of START come with them as needed).
std::vector<std::uint8_t> Kept(const std::vector<chip::RestoreStep>& plan,
                               const std::vector<bool>& ticked) {
  std::vector<chip::RestoreStep> chosen;
  for (std::size_t i = 0; i < plan.size() && i < ticked.size(); ++i) {
    if (ticked[i]) chosen.push_back(plan[i]);
  }
  return chip::RestoredRegisters(chosen);
}

}  // namespace

void SaveSnapshot(boxes::FeatureContext& c) {
  const QString file =
      c.dialogs->SaveFileName(c.window, QStringLiteral("snapshot_save"), kSaveTitle,
                              QStringLiteral("snapshot.json"), kFilter);
  if (file.isEmpty() || !boxes::MayWrite(c, file, kSaveTitle, false)) return;
  const chip::Snapshot snapshot = chip::TakeSnapshot(
      [&](std::uint8_t a) { return ReadChip(c.d, a); }, c.version,
      chip::IsoLocalTime(std::chrono::system_clock::now()), devaccess::PlaceOf(c.d));
  try {
    files::ReplaceFile(file.toStdString(), chip::FormatSnapshot(snapshot), "the snapshot");
  } catch (const files::FileError& e) {
    boxes::ReportFileProblem(c, QStringLiteral("snapshot_not_saved"), kSaveTitle, Plain(e.what()));
    return;
  }
  c.say(QStringLiteral("Snapshot saved: %1 to %2")
            .arg(boxes::CountOf(snapshot.registers.size(), "register", "registers"),
                 QFileInfo(file).absoluteFilePath()));
}

bool RestoreSnapshot(boxes::FeatureContext& c) {
  const QString file =
      c.dialogs->OpenFileName(c.window, QStringLiteral("snapshot_restore"), kRestoreTitle, kFilter);
  if (file.isEmpty()) return false;
  chip::Snapshot snapshot;
  try {
    snapshot = chip::ParseSnapshot(files::ReadUserFile(file.toStdString(), "the snapshot"));
  } catch (const files::FileError& e) {
    boxes::ReportFileProblem(c, QStringLiteral("snapshot_unreadable"), kRestoreTitle,
                             Plain(e.what()));
    return false;
  } catch (const chip::SnapshotError& e) {
    boxes::ReportFileProblem(
        c, QStringLiteral("snapshot_malformed"), kRestoreTitle,
        QStringLiteral("%1 is not a register snapshot, so nothing was written.\n\n%2")
            .arg(file, Plain(e.what())));
    return false;
  }
  const auto read = [&](std::uint8_t a) { return ReadChip(c.d, a); };
  const chip::RestorePreview preview = chip::PreviewRestore(snapshot, read);
  if (!preview.other_chip.empty() &&
      c.boxes.Show(c.window, QStringLiteral("snapshot_other_chip"), kRestoreTitle,
                   QStringLiteral("In %1, %2.\n\nRestore it all the same?")
                       .arg(QFileInfo(file).fileName(), Plain(preview.other_chip)),
                   boxes::MsgIcon::Warning, boxes::MsgButtons::YesNo) != boxes::MsgAnswer::Yes) {
    return false;
  }
  const QString note = Plain(chip::PlaceNote(snapshot.place, devaccess::PlaceOf(c.d)));
  const QString path = QFileInfo(file).absoluteFilePath();
  const auto nothing_to_do = [&] {
    c.boxes.Show(c.window, QStringLiteral("snapshot_nothing_to_do"), kRestoreTitle,
                 (note.isEmpty() ? QString() : note + QStringLiteral("\n\n")) +
                     QStringLiteral("The chip already holds every writable value of %1.")
                         .arg(QFileInfo(file).fileName()),
                 boxes::MsgIcon::Information, boxes::MsgButtons::Ok);
    c.say(QStringLiteral("Nothing restored: the chip already holds %1").arg(path));
  };
  if (preview.plan.empty()) {
    nothing_to_do();
    return false;
  }
  const std::optional<std::vector<bool>> ticked =
      c.dialogs->ChooseRestore(c.window, preview.plan, note);
  if (!ticked) return false;
  const std::vector<std::uint8_t> kept = Kept(preview.plan, *ticked);
  if (kept.empty()) {
    c.say(QStringLiteral("Nothing restored: no register was ticked"));
    return false;
  }
  const chip::RestoreOutcome outcome = chip::ApplyRestore(
      snapshot, kept, read, [&](std::uint8_t a, std::uint8_t v) { devaccess::WriteAt(c.d, a, v); });
  if (outcome.steps.empty()) {
    nothing_to_do();
    return false;
  }
  if (outcome.error) {
    const std::string text = chip::DescribeFailure(outcome, Where(devaccess::PlaceOf(c.d)));
    // The bus failed: the program's error report, as for any transfer of the window, with what
    // was written and what was not.
    if (outcome.error->bus_failed()) throw std::runtime_error(text);
    c.say(QStringLiteral("Restore from %1 stopped part way, at %2")
              .arg(path, Plain(outcome.error->failed().caption).trimmed()));
    c.boxes.Show(c.window, QStringLiteral("restore_incomplete"), kRestoreTitle,
                 QStringLiteral("The restore stopped part way.\n\n") + Plain(text),
                 boxes::MsgIcon::Warning, boxes::MsgButtons::Ok);
    return true;  // some registers may hold new values: the tabs read them afresh
  }
  const std::size_t restored = outcome.restored;
  // RunRestore read each write back: every register holds what was written.
  c.say(QStringLiteral("Restored %1 from %2, %3")
            .arg(boxes::CountOf(restored, "register", "registers"), path,
                 restored == 1 ? QStringLiteral("read back as written")
                               : QStringLiteral("each read back as written")));
  return true;
}

}  // namespace userfiles
