#include "frontend/highscore_table.h"

#include <cstdlib>

#include "frontend/highscore_file.h"
#include "platform/atomic_file.h"
#include "platform/report.h"

namespace nad {

// The panel shows the file's rows one to one.
static_assert(tableRowCount == hiscore::kRows);

namespace {

// Holds the lock between copies of the game for a scope; one that cannot be had is reported and
// the confirmation goes on unguarded rather than lose the player's result.
class TableLock {
public:
  TableLock(TableFiles &files, const std::filesystem::path &file) : files_(files) {
    const Status locked = files_.lock(file);
    if (!locked.ok()) reportProblem("high-score table: " + locked.reason());
  }
  ~TableLock() { files_.unlock(); }
  TableLock(const TableLock &) = delete;
  TableLock &operator=(const TableLock &) = delete;

private:
  TableFiles &files_;
};

hiscore::Location TableLocation(const Form &f) {
  return hiscore::locate(f.platform.programDir, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"),
                         f.platform.programDirShared);
}

} // namespace

void LoadHighScores(Form &f) {
  GameState &s = f.s;
  f.rng.seed(f.platform.clock.randomSeed());
  if (f.observer) f.observer->onHiscore("load");
  const std::filesystem::path path = TableLocation(f).readPath;
  hiscore::LoadResult file = hiscore::fromRead(f.platform.files.read(path, hiscore::kMaxFileBytes), path);
  // A missing or short file still gives a table: the rows it lacks read as "-" with 0 points.
  if (!file.status.ok()) reportProblem("high-score table: " + file.status.reason());
  for (s.fileRow = 0; s.fileRow <= 6; ++s.fileRow) {
    s.hiscoreName[s.fileRow] = file.table[s.fileRow].name;
    s.hiscorePoints[s.fileRow] = file.table[s.fileRow].points;
  }
  for (s.labelRow = 0; s.labelRow <= 6; ++s.labelRow) {
    f.scene.setCaption(highscore(s.labelRow), s.hiscoreName[s.labelRow]);
    f.scene.setCaption(hiscr(s.labelRow), hiscore::numberText(hiscore::numberValue(s.hiscorePoints[s.labelRow])));
  }
}

namespace {

// The table as it is on disk now, into the panel's labels, at a confirmation: another copy of
// the game may have entered a result since this one loaded the table. Not a load: the generator
// is not reseeded and hiscoreName / hiscorePoints keep the last load. A file that cannot be read
// now leaves the labels as they are, so that the save does not write defaults over its rows.
void RereadHighScores(Form &f, const hiscore::Location &where) {
  const hiscore::LoadResult file =
      hiscore::fromRead(f.platform.files.read(where.readPath, hiscore::kMaxFileBytes), where.readPath);
  if (!file.readable) return; // the load at the game's end said why
  for (int row = 0; row < tableRowCount; ++row) {
    f.scene.setCaption(highscore(row), file.table[row].name);
    f.scene.setCaption(hiscr(row), hiscore::numberText(hiscore::numberValue(file.table[row].points)));
  }
}

} // namespace

void SaveHighScores(Form &f) {
  GameState &s = f.s;
  if (f.observer) f.observer->onHiscore("save");
  hiscore::Table table;
  for (s.fileRow = 0; s.fileRow <= 6; ++s.fileRow)
    table[s.fileRow] = {f.scene[highscore(s.fileRow)].caption, f.scene[hiscr(s.fileRow)].caption};
  Status saved = f.platform.files.write(TableLocation(f).writePath, hiscore::format(table));
  if (!saved.ok()) {
    // The table stays shown as it is; the player must not believe it was kept.
    reportProblem("could not save the high-score table: " + saved.reason());
    // The box holds everything; behind it the panel shows the table as it is now, not the name
    // box the click just closed.
    RepaintWindow(f);
    f.platform.dialogs.showWarning(kSaveFailedTitle, kSaveFailedText);
  }
}

bool GameQualifies(const Form &f) { return hiscore::numberValue(f.scene[hiscr(6)].caption) < f.s.points; }

void Image5_Click(Form &f) {
  f.scene.setVisible(Picture2, true);
  LoadHighScores(f);
  f.scene.setVisible(Picture1, false);
}

void command1_Click(Form &f) {
  GameState &s = f.s;
  Scene &sc = f.scene;
  sc.setVisible(Picture1, false);
  // From the read to the rename no other copy of the game writes the table, so a result entered
  // by another copy since this one's load is kept (the read below sees it) and this one is
  // tested and inserted against it.
  const hiscore::Location where = TableLocation(f);
  const TableLock lock(f.platform.files, where.writePath);
  RereadHighScores(f, where);
  if (!GameQualifies(f)) return;
  // Row 6 is below points, so a slot is always found; an equal score goes above its equals.
  for (s.insertRow = 0; s.insertRow < 6; ++s.insertRow)
    if (hiscore::numberValue(sc[hiscr(s.insertRow)].caption) <= s.points) break;
  s.shiftRow = 7;
  for (;;) {
    s.shiftRow = int16_t(s.shiftRow - 1);
    if (s.shiftRow <= s.insertRow) break;
    sc.setCaption(highscore(s.shiftRow), sc[highscore(s.shiftRow - 1)].caption);
    sc.setCaption(highscore(s.shiftRow - 1), "");
    sc.setCaption(hiscr(s.shiftRow), sc[hiscr(s.shiftRow - 1)].caption);
    sc.setCaption(hiscr(s.shiftRow - 1), "");
  }
  std::string name = hiscore::cleanName(sc[Text1].caption);
  sc.setCaption(highscore(s.insertRow), name);
  sc.setCaption(hiscr(s.insertRow), hiscore::numberText(s.points));
  // The colour belongs to the row, not to the entry: it is never set back.
  sc.setColor(highscore(s.insertRow), kRed);
  sc.setColor(hiscr(s.insertRow), kRed);
  SaveHighScores(f);
}

} // namespace nad
