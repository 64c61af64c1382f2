#pragma once

class QSaveFile;

namespace zemo {

// Flushes a QSaveFile's buffer and syncs it to disk, reporting whether both worked. Qt's commit()
// ignores a failure of its own last flush and sync, so a full disk would otherwise leave a cut
// file in place of the old one; callers check this before commit().
bool flushAndSync(QSaveFile& file);

} // namespace zemo
