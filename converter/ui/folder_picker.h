// SPDX-License-Identifier: MIT
// The folder picker of the setup sheet and the generation dialog.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace orvex::ui {

// Shows the picker owned by owner with title and start preselected; the chosen folder in native
// form, or empty when the user cancelled.
QString BrowseForFolder(QWidget* owner, const QString& title, const QString& start);

// What the dialogs call to pick a folder; tests replace it so that no picker opens.
using FolderPicker = std::function<QString(QWidget* owner, const QString& title, const QString& start)>;

} // namespace orvex::ui
