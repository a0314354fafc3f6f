// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/MonitorSession.h"

#include "fs/FileOps.h"
#include "monitor/BatchHistory.h"
#include "monitor/Messages.h"
#include "monitor/WatchDecision.h"
#include "settings/Config.h"
#include "settings/SettingsLocation.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr qint64 fullListMilliseconds = 30'000;
constexpr int tickMilliseconds = 500;
}  // namespace

MonitorSession::MonitorSession(Environment environment, QObject* parent)
    : QObject(parent),
      env_(std::move(environment)),
      batches_(env_.historyFile),
      history_(historyPlace(env_.historyFile, env_.settingsFile)) {
  Timer1.setObjectName(QStringLiteral("Timer1"));
  Timer2.setObjectName(QStringLiteral("Timer2"));
  Timer1.setInterval(tickMilliseconds);
  Timer2.setInterval(tickMilliseconds);
  connect(&Timer1, &QTimer::timeout, this, &MonitorSession::watchTick);
  connect(&Timer2, &QTimer::timeout, this, &MonitorSession::statusTick);
  connect(&saver_, &SaveWorker::finished, this, &MonitorSession::saveFinished);
  connect(&saver_, &SaveWorker::undone, this, &MonitorSession::undoFinished);
  connect(&saver_, &SaveWorker::lateContentRestored, this,
          [this](const std::vector<LeftFile>& restored) {
            list_.refresh();
            emit countChanged(count());
            emit notice(NoticeKind::Status, lateContentNotice(restored));
          });
}

// A settings file that cannot be read is told by the start, with its reason; every key then
// reads as empty, and naming each of them would only repeat it.
void MonitorSession::load() {
  const QString& file = env_.settingsFile;
  // A damaged file reads as empty keys: its own sentence tells it all.
  const QString notSettings = settings::fileProblem(file);
  if (!notSettings.isEmpty()) {
    startupProblems_ << notSettings;
  }
  const bool readable = settingsReadError(file) == 0 && notSettings.isEmpty();
  const QString vis = settings::viewerSwitch(file);
  settings_.viewerOffered = vis != QLatin1String("0x0") && vis != QLatin1String("0");
  applySettings(settings::watchedFolder(file), settings::pattern(file));
  if (const QString problem = watchedFolderProblem(watchedFolder());
      readable && !problem.isEmpty()) {
    startupProblems_ << problem;
  }
  emit stateChanged(false);
  readMinimum(readable);
  if (count() == 0) {
    setCanSave(false);
  }
  recoverAtStart();
  Timer2.start();
}

void MonitorSession::readMinimum(bool tellProblem) {
  const settings::Reading<qint16> minimum =
      settings::readMinimum(settings::minimum(env_.settingsFile));
  settings_.minimum = minimum.value;
  if (tellProblem && !minimum.problem.isEmpty()) {
    startupProblems_ << minimum.problem;
  }
}

// An undo keeps its journal in its batch, which may lie outside today's save folder: the batch
// an undo takes is the newest one still there, so its folder is looked at too.
void MonitorSession::recoverAtStart() {
  FileOps& ops = env_.fileOps ? *env_.fileOps : realFileOps();
  const QString saveFolder = settings::saveFolder(env_.settingsFile);
  RecoveryReport report = recoverInterruptedSaves(saveFolder, watchedFolder(), ops);
  const BatchHistory history = BatchHistory::read(env_.historyFile);
  const qsizetype newest = newestExistingBatch(history);
  const QString undoFolder =
      newest < 0 ? QString() : QDir::cleanPath(QFileInfo(history.folder(newest)).path());
  if (!undoFolder.isEmpty() && undoFolder != QDir::cleanPath(saveFolder) &&
      undoFolder != QDir::cleanPath(watchedFolder())) {
    report += recoverInterruptedSaves(undoFolder, watchedFolder(), ops);
  }
  if (!report.empty()) {
    list_.refresh();
    emit countChanged(count());
    emit recovered(recoveryNotice(report));
  }
}

void MonitorSession::applySettings(const QString& folder, const QString& pattern) {
  settings_.pattern = pattern;
  settings_.watchedFolder = folder;
  list_.setPattern(pattern);
  list_.setFolder(folder);
  if (env_.fileEvents) {
    writeWatch_.setFolder(folder);
  }
  emit countChanged(count());
  tellFolderHealth();
}

// Starting again while started keeps the watch tick's time.
void MonitorSession::start() {
  if (closeAfterSave_) {
    return;
  }
  if (!Timer1.isActive()) {
    Timer1.start();
  }
  emit stateChanged(true);
  // Watching a folder that cannot be read saves nothing: starting says so again.
  folderHealth_ = {};
  tellFolderHealth();
}

void MonitorSession::stop() {
  Timer1.stop();
  emit stateChanged(false);
}

void MonitorSession::setCanSave(bool canSave) {
  canSave_ = canSave;
  emit canSaveChanged(canSave);
}

void MonitorSession::saveNow(Base base) {
  if (busy_ || (base == Base::SaveFolder && !canSave_)) {
    return;
  }
  const BatchPlace place = savePlace();
  save(base == Base::SaveFolder ? place : BatchPlace{watchedFolder(), place.prefix}, place.base,
       true);
}

// Dir2 and Pref, read afresh for each save, so that a change applies to the next one.
BatchPlace MonitorSession::savePlace() const {
  return {settings::saveFolder(env_.settingsFile), settings::prefix(env_.settingsFile)};
}

// The save runs on a thread of its own; until its result is handled, and while a view tells of
// it in a nested event loop, ticks and other saves stay out.
void MonitorSession::save(const BatchPlace& place, const QString& saveFolder, bool byHand) {
  if (busy_) {
    return;
  }
  busy_ = true;
  savingByHand_ = byHand;
  savingTo_ = place;
  const QDateTime now = env_.now();
  savingAt_ = now;
  saver_.save({place.base, place.prefix, watchedFolder(), list_.names(), now, policy_.overdue(now),
               policy_.lastInUse()},
              {watchedFolder(), saveFolder, env_.fileOps},
              {true, {}, [watch = &writeWatch_](const QByteArray& name, const timespec& modified) {
                 return watch->verdict(name, modified);
               }});
}

// The list is refreshed after every save, so that what it names is what the folder holds.
void MonitorSession::saveFinished(const SaveResult& result, const RecoveryReport& recovery) {
  list_.refresh();
  const QString historyProblem = record(result);
  const QString automaticNotice =
      policy_.record(result, !savingByHand_, list_.signature(), savingTo_, env_.now());
  QStringList notices;
  if (!recovery.empty()) {
    notices << recoveryNotice(recovery);
  }
  if (savingByHand_) {
    emit saveReported({true, result, closeAfterSave_ ? QString() : manualSaveText(result)});
  } else {
    emit saveReported({false, result, {}});
    const QString away =
        result.ok() && result.moved > 0 ? batchSavedNotice(result) : automaticNotice;
    if (!away.isEmpty()) {
      emit notice(NoticeKind::Away, away);
    }
    // A batch saved with nothing else to say is told on the line too, window in view or not.
    notices << (automaticNotice.isEmpty() ? away : automaticNotice);
    if (result.failure == SaveFailure::InUse) {
      notices << waitingNotice(result.inUse);
    }
  }
  notices << historyProblem;
  notices.removeAll(QString());
  emit notice(NoticeKind::Status, notices.join(QLatin1Char(' ')));
  endBusy();
}

void MonitorSession::endBusy() {
  busy_ = false;
  undoing_ = false;
  if (closeAfterSave_) {
    emit readyToClose();
  }
}

// Every save that leaves files in its batch, by hand or not, failed or not. A history that
// cannot be written costs only the record, told once: the save itself stands. The record never
// waits for the history's lock (HistoryWriter).
QString MonitorSession::record(const SaveResult& result) {
  if (result.batchFolder.isEmpty() || result.saved.empty()) {
    return {};
  }
  return tellHistory(history_.add(batchLine({savingAt_.toSecsSinceEpoch(), result.batchFolder,
                                             static_cast<int>(result.left.size()), result.saved,
                                             result.batchDevice, result.batchInode})));
}

// A line that went in is read back for the views; what the user is to be told is returned.
QString MonitorSession::tellHistory(const HistoryWriter::Outcome& outcome) {
  if (outcome.written) {
    batches_.reload();
    emit historyChanged();
  }
  return outcome.notice;
}

bool MonitorSession::undo(const HistoryRecord& record) {
  if (busy_) {
    return false;
  }
  stop();
  busy_ = true;
  undoing_ = true;
  undoneBatch_ = record;
  UndoRequest request{record.folder, watchedFolder(),
                      record.names,  settings::saveFolder(env_.settingsFile),
                      record.device, record.inode};
  saver_.undo(std::move(request), {watchedFolder(), QFileInfo(record.folder).path(), env_.fileOps});
  return true;
}

void MonitorSession::undoFinished(const UndoResult& result, const RecoveryReport& recovery) {
  list_.refresh();
  emit countChanged(count());
  if (!recovery.empty()) {
    emit notice(NoticeKind::Status, recoveryNotice(recovery));
  }
  // An undo that took files back leaves its batch listed, as undone.
  if (result.ok() && result.moved > 0) {
    const QString told =
        tellHistory(history_.add(undoneLine(undoneBatch_, env_.now().toSecsSinceEpoch())));
    if (!told.isEmpty()) {
      emit notice(NoticeKind::Status, told);
    }
  }
  emit undone(result);
  endBusy();
}

bool MonitorSession::closeWhenSaved() {
  if (!saver_.running()) {
    return false;
  }
  closeAfterSave_ = true;
  stop();
  return true;
}

void MonitorSession::watchTick() {
  if (busy_) {
    return;
  }
  checkWatchedFolder();
  emit countChanged(count());
  refreshWhenChanged();
  if (!shouldSave(count(), settings_.minimum)) {
    return;
  }
  const BatchPlace place = savePlace();
  if (policy_.allows(list_.signature(), place, env_.now())) {
    save(place, place.base, false);
  }
}

// Listing a folder of many files every 500 ms costs the game beside us: while the kernel's
// events stand, the folder is listed only when a name in it changed, and every 30 s all the
// same, so that nothing they might miss stays unseen for long.
void MonitorSession::refreshWhenChanged() {
  const bool changed = !env_.fileEvents || writeWatch_.takeListingNeed();
  if (changed || !sinceListed_.isValid() || sinceListed_.hasExpired(fullListMilliseconds)) {
    list_.refresh();
    sinceListed_.start();
  }
}

void MonitorSession::checkWatchedFolder() {
  const bool readable = tellFolderHealth();
  writeWatch_.ensureArmed();
  tellWhetherEventsServe(readable);
}

// A folder renamed away, removed, replaced or closed to us stands on the notice line for as
// long as it lasts; the watch picks it up again when it comes back.
bool MonitorSession::tellFolderHealth() {
  const QFileInfo folder(watchedFolder());
  const bool readable = folder.isDir() && folder.isReadable();
  const FolderHealth::Step step = folderHealth_.tick(watchedFolder(), readable);
  if (step.action == FolderHealth::Action::Show) {
    emit notice(NoticeKind::Standing, step.notice);
  } else if (step.action == FolderHealth::Action::Clear) {
    emit notice(NoticeKind::Standing, {});
  }
  return readable;
}

// Without the kernel's events a writer may go unseen, so files are then taken only after
// 10 s without a change; the user is told once each time that starts. A folder that cannot be
// read has no events either, and its own notice says why.
void MonitorSession::tellWhetherEventsServe(bool folderReadable) {
  const bool off = env_.fileEvents && folderReadable && !writeWatch_.armed();
  if (off && !eventsOffTold_) {
    emit notice(NoticeKind::Status, eventsOffNotice());
  }
  eventsOffTold_ = off;
}

void MonitorSession::statusTick() {
  emit ticked();
  if (const QString told = tellHistory(history_.tick()); !told.isEmpty()) {
    emit notice(NoticeKind::Status, told);
  }
  if (saver_.running()) {
    const int done = saver_.done();
    const int total = saver_.total();
    emit progressChanged(undoing_ ? undoProgressNotice(done, total) : progressNotice(done, total));
  }
  if (busy_) {
    return;
  }
  setCanSave(count() != 0);
  emit patternChanged(pattern());
  emit countChanged(count());
}
