// SPDX-License-Identifier: MIT
// BrowseForFolder.
#include "converter/ui/folder_picker.h"

#include <QDir>
#include <QFileDialog>

namespace orvex::ui {

QString BrowseForFolder(QWidget* owner, const QString& title, const QString& start) {
    const QString dir = QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
    return dir.isEmpty() ? QString() : QDir::toNativeSeparators(dir);
}

} // namespace orvex::ui
