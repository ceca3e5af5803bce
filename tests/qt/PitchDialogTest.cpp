// Dialog 10 (time stretch) as the desktop shows it: the template built into a real dialog,
// driven by the parameter dialog procedure and its hook, operated through its widgets.
#include "effects/ParamDialog.h"
#include "effects/PitchEffects.h"
#include "platform/qt/QtDialog.h"
#include "resources/Dialogs.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace wt;

namespace {

struct DialogRun {
    std::vector<DialogBinding> table;
    ParamDialogState state;
    QtDialog dialog;

    DialogRun(int id, std::vector<DialogBinding> rows)
        : table(std::move(rows)), dialog(
                                      *FindDialogTemplate(id),
                                      [this](DialogHost& d, unsigned m, WParam w, LParam l) {
                                          return ParamDlgProc(d, m, w, l, state);
                                      },
                                      nullptr) {}

    QScrollBar* Bar(int id) { return qobject_cast<QScrollBar*>(dialog.ItemWidget(id)); }
    QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(dialog.ItemWidget(id)); }
    QAbstractButton* Button(int id) {
        return qobject_cast<QAbstractButton*>(dialog.ItemWidget(id));
    }
    std::string Label(int id) {
        return qobject_cast<QLabel*>(dialog.ItemWidget(id))->text().toStdString();
    }

    // Runs the dialog modally; `user` acts on it once it is up.
    LParam Run(std::function<void()> user) {
        QTimer::singleShot(0, &dialog, [this, user] {
            user();
            if (!dialog.Ended()) {
                ADD_FAILURE() << "the user's actions did not end the dialog";
                dialog.EndDialog(-2);
            }
        });
        return dialog.Run(reinterpret_cast<LParam>(table.data()));
    }
};

TEST(TimeStretchDialogQt, DurationsFollowTheBarAndTheField) {
    TimeStretchParams params;
    DialogRun run(kDialogTimeStretch, TimeStretchBindings(params, 1000));
    const LParam result = run.Run([&] {
        EXPECT_EQ(run.dialog.windowTitle().toStdString(), "タイムストレッチ");
        EXPECT_EQ(run.Label(kIdDurationBefore), "1000");
        EXPECT_EQ(run.Label(kIdDurationAfter), "1000");
        // The bar pages by (400 - 20) / 16 = 23: 123 %, 1000 * 100 / 123 ms.
        run.Bar(kIdSpeedBar)->triggerAction(QAbstractSlider::SliderPageStepAdd);
        EXPECT_EQ(run.Label(kIdDurationAfter), "813");
        run.Edit(kIdSpeedEdit)->selectAll();
        run.Edit(kIdSpeedEdit)->insert("200");
        EXPECT_EQ(run.Label(kIdDurationAfter), "500");
        EXPECT_EQ(run.Bar(kIdSpeedBar)->value(), 200);
        run.Button(IdOk)->click();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(params.speed, 200);
}

} // namespace
