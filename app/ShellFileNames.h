#pragma once

#include <QString>

// Whether a document window's caption names the file to save to without asking. A new
// window's caption, "Radna knjiga - " and a number, never does. The rule is a byte-wise
// comparison with "Radna knjiga": only captions that sort below it can be paths (where the
// drive letters A to R sort below it too). On this system a path is absolute, starting with
// "/", which sorts below it as well; anything else (a relative name, "C:\...", "radna ...")
// gets the save dialog, so nothing is ever written relative to the working folder.
bool CaptionIsFilePath(const QString& caption);

// `fileName` with the extension of its last component replaced by `extension` (which starts
// with "."), or `extension` appended when it has none. A leading dot of a hidden file's name
// does not start an extension.
QString ReplaceExtension(const QString& fileName, const QString& extension);
