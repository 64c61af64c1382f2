#pragma once

class QFileDevice;

namespace zemo {

// Flushes a file's buffer and syncs it to disk, reporting whether both worked. QSaveFile's commit()
// ignores a failure of its own last flush and sync, so a full disk would otherwise leave a cut
// file in place of the old one; callers check this before commit() or a rename.
bool flushAndSync(QFileDevice& file);

// A file-size limit (ulimit -f) would end the program with SIGXFSZ in the middle of a save; with the
// signal ignored the write fails instead and is reported like a full disk. Called at program start.
void ignoreFileSizeSignal();

} // namespace zemo
