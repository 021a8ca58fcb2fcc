#include "capture/snapshot_actions.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <chrono>

#include "access/link_new_com_port.h"
#include "capture/capture_dialogs.h"
#include "capture/status_report.h"
#include "chip/local_time.h"
#include "chip/register_access.h"

namespace capture {

namespace {

const QString kSaveTitle = QStringLiteral("Save Register Snapshot");
const QString kRestoreTitle = QStringLiteral("Restore Register Snapshot");
const QString kFilter = QStringLiteral("Register snapshots (*.json);;All files (*)");

std::uint8_t ReadChip(devaccess::Declarations& d, std::uint8_t address) {
  return static_cast<std::uint8_t>(devaccess::ReadAt(d, address));
}

// Reads each written register back: "Restored 5 registers from FILE, each read back as written"
// or which ones hold something else now.
QString RestoredText(CaptureContext& c, const std::vector<const chip::RestoreStep*>& written,
                     const QString& file) {
  QStringList differ;
  for (const chip::RestoreStep* step : written) {
    const std::uint8_t now = ReadChip(c.d, step->address);
    if (((now ^ step->write) & chip::StoredBits(step->address)) == 0) continue;
    differ << QStringLiteral("%1 reads %2, not %3")
                  .arg(QString::fromStdString(step->caption).trimmed(),
                       QString::fromStdString(chip::HexByte(now)),
                       QString::fromStdString(chip::HexByte(step->write)));
  }
  const QString restored = QStringLiteral("Restored %1 from %2")
                               .arg(CountOf(written.size(), "register", "registers"), file);
  if (differ.isEmpty()) {
    return restored + (written.size() == 1 ? QStringLiteral(", read back as written")
                                           : QStringLiteral(", each read back as written"));
  }
  return restored + QStringLiteral("; read back: ") + differ.join(QStringLiteral("; "));
}

}  // namespace

void SaveSnapshot(CaptureContext& c) {
  const QString file =
      c.dialogs->SaveFileName(c.window, QStringLiteral("snapshot_save"), kSaveTitle,
                              QStringLiteral("snapshot.json"), kFilter);
  if (file.isEmpty()) return;
  const chip::Snapshot snapshot =
      chip::TakeSnapshot([&](std::uint8_t a) { return ReadChip(c.d, a); }, c.version,
                         chip::IsoLocalTime(std::chrono::system_clock::now()), PlaceOf(c.d));
  const std::string text = chip::FormatSnapshot(snapshot);
  QSaveFile out(file);
  if (!out.open(QIODevice::WriteOnly) ||
      out.write(text.data(), static_cast<qint64>(text.size())) !=
          static_cast<qint64>(text.size()) ||
      !out.commit()) {
    ReportFileProblem(c, QStringLiteral("snapshot_not_saved"), kSaveTitle,
                      QStringLiteral("Cannot write %1: %2").arg(file, out.errorString()));
    return;
  }
  c.say(QStringLiteral("Snapshot saved: %1 to %2")
            .arg(CountOf(snapshot.registers.size(), "register", "registers"),
                 QFileInfo(file).absoluteFilePath()));
}

bool RestoreSnapshot(CaptureContext& c) {
  const QString file =
      c.dialogs->OpenFileName(c.window, QStringLiteral("snapshot_restore"), kRestoreTitle, kFilter);
  if (file.isEmpty()) return false;
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) {
    ReportFileProblem(c, QStringLiteral("snapshot_unreadable"), kRestoreTitle,
                      QStringLiteral("Cannot read %1: %2").arg(file, in.errorString()));
    return false;
  }
  const QByteArray text = in.readAll();
  chip::Snapshot snapshot;
  try {
    snapshot = chip::ParseSnapshot(
        std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
  } catch (const chip::SnapshotError& e) {
    ReportFileProblem(c, QStringLiteral("snapshot_malformed"), kRestoreTitle,
                      QStringLiteral("%1 is not a register snapshot, so nothing was written.\n\n%2")
                          .arg(file, QString::fromStdString(e.what())));
    return false;
  }
  const std::vector<chip::RestoreStep> steps =
      chip::PlanRestore(snapshot, [&](std::uint8_t a) { return ReadChip(c.d, a); });
  const QString note = QString::fromStdString(chip::PlaceNote(snapshot.place, PlaceOf(c.d)));
  if (steps.empty()) {
    c.boxes.Show(c.window, QStringLiteral("snapshot_nothing_to_do"), kRestoreTitle,
                 (note.isEmpty() ? QString() : note + QStringLiteral("\n\n")) +
                     QStringLiteral("The chip already holds every writable value of %1.")
                         .arg(QFileInfo(file).fileName()),
                 widgets::MsgIcon::Information, widgets::MsgButtons::Ok);
    c.say(QStringLiteral("Nothing restored: the chip already holds %1")
              .arg(QFileInfo(file).absoluteFilePath()));
    return false;
  }
  const std::optional<std::vector<bool>> ticked = c.dialogs->ChooseRestore(c.window, steps, note);
  if (!ticked) return false;
  std::vector<const chip::RestoreStep*> written;
  for (std::size_t i = 0; i < steps.size() && i < ticked->size(); ++i) {
    if (!(*ticked)[i]) continue;
    devaccess::WriteAt(c.d, steps[i].address, steps[i].write);
    written.push_back(&steps[i]);
  }
  if (written.empty()) {
    c.say(QStringLiteral("Nothing restored: no register was ticked"));
    return false;
  }
  c.say(RestoredText(c, written, QFileInfo(file).absoluteFilePath()));
  return true;
}

}  // namespace capture
