// A parameter dialog as the desktop shows it: its template built into a real dialog, driven
// by the parameter dialog procedure over a binding table, and operated through its widgets.
#pragma once

#include "editor/ParamDialog.h"
#include "hosts/qt/QtDialog.h"
#include "resources/Dialogs.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace wt::qttest {

// Runs `dialog` modally with `init` as its start-up value; `user` acts on it once it is up
// and must end it.
inline LParam RunDialog(QtDialog& dialog, LParam init, const std::function<void()>& user) {
    QTimer::singleShot(0, &dialog, [&dialog, user] {
        user();
        if (!dialog.Ended()) {
            ADD_FAILURE() << "the user's actions did not end the dialog";
            dialog.EndDialog(-2);
        }
    });
    return dialog.Run(init);
}

struct ParamDialogRun {
    std::vector<DialogBinding> table;
    ParamDialogState state;
    QtDialog dialog;

    ParamDialogRun(int templateId, std::vector<DialogBinding> rows)
        : table(std::move(rows)), dialog(
                                      *FindDialogTemplate(templateId),
                                      [this](DialogHost& d, unsigned m, WParam w, LParam l) {
                                          return ParamDlgProc(d, m, w, l, state);
                                      },
                                      nullptr) {}

    QScrollBar* Bar(int id) { return qobject_cast<QScrollBar*>(dialog.ItemWidget(id)); }
    QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(dialog.ItemWidget(id)); }
    QAbstractButton* Button(int id) {
        return qobject_cast<QAbstractButton*>(dialog.ItemWidget(id));
    }
    std::string Text(int id) { return Edit(id)->text().toStdString(); }
    std::string Label(int id) {
        return qobject_cast<QLabel*>(dialog.ItemWidget(id))->text().toStdString();
    }
    // Replaces the field's text as typing over all of it does.
    void Type(int id, const char* text) {
        Edit(id)->selectAll();
        Edit(id)->insert(text);
    }

    // Runs the dialog modally over the binding table; `user` acts on it once it is up.
    LParam Run(const std::function<void()>& user) {
        return RunDialog(dialog, reinterpret_cast<LParam>(table.data()), user);
    }
};

} // namespace wt::qttest
