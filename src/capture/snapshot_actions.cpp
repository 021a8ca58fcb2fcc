#include "capture/snapshot_actions.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <chrono>

#include "access/link_new_com_port.h"
#include "capture/capture_dialogs.h"
#include "chip/local_time.h"

namespace capture {

namespace {

const QString kSaveTitle = QStringLiteral("Save Register Snapshot");
const QString kRestoreTitle = QStringLiteral("Restore Register Snapshot");
const QString kFilter = QStringLiteral("Register snapshots (*.json);;All files (*)");

std::uint8_t ReadChip(devaccess::Declarations& d, std::uint8_t address) {
  return static_cast<std::uint8_t>(devaccess::ReadAt(d, address));
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
  }
}

void RestoreSnapshot(CaptureContext& c) {
  const QString file =
      c.dialogs->OpenFileName(c.window, QStringLiteral("snapshot_restore"), kRestoreTitle, kFilter);
  if (file.isEmpty()) return;
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) {
    ReportFileProblem(c, QStringLiteral("snapshot_unreadable"), kRestoreTitle,
                      QStringLiteral("Cannot read %1: %2").arg(file, in.errorString()));
    return;
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
    return;
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
    return;
  }
  const std::optional<std::vector<bool>> ticked = c.dialogs->ChooseRestore(c.window, steps, note);
  if (!ticked) return;
  for (std::size_t i = 0; i < steps.size() && i < ticked->size(); ++i) {
    if ((*ticked)[i]) devaccess::WriteAt(c.d, steps[i].address, steps[i].write);
  }
}

}  // namespace capture
