#pragma once

class QFileDevice;

namespace zemo {

// Flushes a file's buffer and syncs it to disk, reporting whether both worked. QSaveFile's commit()
// ignores a failure of its own last flush and sync, so a full disk would otherwise leave a cut
// file in place of the old one; callers check this before commit() or a rename.
bool flushAndSync(QFileDevice& file);

} // namespace zemo
