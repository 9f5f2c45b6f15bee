// SPDX-License-Identifier: MIT
// What the window tests share: the offscreen application, controls found by id, and answers
// given to message boxes by a timer, so that no test waits for a click.
#pragma once

#include "converter/ui/resource_ids.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <QStringList>

#include <cstdlib>
#include <functional>

namespace orvex::ui::uitest {

// App: QApplication, or a program's own application object when what it sets up is tested.
template <typename App = QApplication>
inline void EnsureApplication() {
    if (QApplication::instance() == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "converter_ui_tests";
        static char* argv[] = {name, nullptr};
        new App(argc, argv); // lives for the whole test program
    }
}

template <typename T = QObject>
T* FindById(QObject* root, int id) {
    for (T* child : root->findChildren<T*>()) {
        if (child->property(kResourceIdProperty).toInt() == id) {
            return child;
        }
    }
    return nullptr;
}

// A list's rows as shown (sorted and filtered), through its model as any view reads them.
inline int RowCount(const QAbstractItemView* list) {
    return list->model()->rowCount();
}
inline QModelIndex Cell(const QAbstractItemView* list, int row, int column = 0) {
    return list->model()->index(row, column);
}
inline QString CellText(const QAbstractItemView* list, int row, int column) {
    return Cell(list, row, column).data().toString();
}
inline Qt::CheckState RowCheck(const QAbstractItemView* list, int row) {
    return static_cast<Qt::CheckState>(Cell(list, row).data(Qt::CheckStateRole).toInt());
}
// What a click on the row's check box gives the model.
inline void SetRowCheck(QAbstractItemView* list, int row, Qt::CheckState state) {
    list->model()->setData(Cell(list, row), state, Qt::CheckStateRole);
}
inline void SelectRow(QAbstractItemView* list, int row, bool selected = true) {
    list->selectionModel()->select(Cell(list, row),
                                   (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                       QItemSelectionModel::Rows);
}

// Answers the next message box with button and records its text. The timer keeps looking
// until a box is open, so it also serves boxes that open after other modal windows.
inline void AnswerMessageBox(QMessageBox::StandardButton button, QString* text = nullptr) {
    auto* timer = new QTimer();
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, button, text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        if (text != nullptr) {
            *text = box->text();
        }
        if (QAbstractButton* b = box->button(button)) {
            b->click();
        } else {
            box->reject();
        }
        timer->deleteLater();
        timer->stop();
    });
    timer->start();
}

// Runs act on the next modal window that is not a message box, once it is open.
inline void OnNextModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer();
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || qobject_cast<QMessageBox*>(modal) != nullptr) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}

// Answers every message box that opens while it lives, and records their texts: with the
// button choose gives for the text, or else Yes where the box has one and OK otherwise.
class MessageBoxAnswers {
public:
    using Chooser = std::function<QMessageBox::StandardButton(const QString& text)>;

    explicit MessageBoxAnswers(Chooser choose = {}) : m_choose(std::move(choose)) {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            // A click closes the box only later; the next box may take the same address.
            if (box == nullptr || box->property("answered").toBool()) {
                return;
            }
            box->setProperty("answered", true);
            texts << box->text();
            QMessageBox::StandardButton button = m_choose ? m_choose(box->text()) : QMessageBox::NoButton;
            if (button == QMessageBox::NoButton) {
                button = box->button(QMessageBox::Yes) != nullptr ? QMessageBox::Yes : QMessageBox::Ok;
            }
            if (QAbstractButton* b = box->button(button)) {
                b->click();
            } else {
                box->reject();
            }
        });
        m_timer.start();
    }

    QStringList texts;

private:
    Chooser m_choose;
    QTimer m_timer;
};

} // namespace orvex::ui::uitest
