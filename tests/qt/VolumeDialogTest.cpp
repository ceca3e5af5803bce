// Dialog 102 as the desktop shows it: the template built into a real dialog, driven by the
// parameter dialog procedure, operated through its widgets.
#include "effects/LevelEffects.h"
#include "effects/ParamDialog.h"
#include "platform/qt/QtDialog.h"
#include "resources/Dialogs.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace wt;

namespace {

struct VolumeDialogRun {
    VolumeParams params;
    std::vector<DialogBinding> table = VolumeBindings(params);
    ParamDialogState state;
    QtDialog dialog{*FindDialogTemplate(kDialogVolume),
                    [this](DialogHost& d, unsigned m, WParam w, LParam l) {
                        return ParamDlgProc(d, m, w, l, state);
                    },
                    nullptr};

    QScrollBar* Bar(int id) { return qobject_cast<QScrollBar*>(dialog.ItemWidget(id)); }
    QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(dialog.ItemWidget(id)); }
    QAbstractButton* Button(int id) {
        return qobject_cast<QAbstractButton*>(dialog.ItemWidget(id));
    }
    std::string Text(int id) { return Edit(id)->text().toStdString(); }

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

TEST(VolumeDialogQt, BarAndFieldFollowEachOtherAndOkAppliesThem) {
    VolumeDialogRun run;
    ASSERT_NE(run.Bar(kIdVolumeBar), nullptr);
    ASSERT_NE(run.Edit(kIdVolumeEdit), nullptr);
    ASSERT_NE(run.Button(kIdLimiter), nullptr);
    const LParam result = run.Run([&] {
        EXPECT_EQ(run.dialog.windowTitle().toStdString(), "音量");
        EXPECT_EQ(run.Text(kIdVolumeEdit), "100");
        EXPECT_EQ(run.Bar(kIdVolumeBar)->value(), 100);
        EXPECT_EQ(run.Text(kIdPanEdit), "50");
        EXPECT_EQ(run.Bar(kIdPanBar)->value(), 50);
        EXPECT_TRUE(run.Button(kIdLimiter)->isChecked());

        // A click in the bar's trough pages by a sixteenth of 0..200.
        run.Bar(kIdVolumeBar)->triggerAction(QAbstractSlider::SliderPageStepAdd);
        EXPECT_EQ(run.Bar(kIdVolumeBar)->value(), 112);
        EXPECT_EQ(run.Text(kIdVolumeEdit), "112");

        // Typing moves the bar; a value beyond the range moves it to the end only.
        run.Edit(kIdVolumeEdit)->selectAll();
        run.Edit(kIdVolumeEdit)->insert("150");
        EXPECT_EQ(run.Bar(kIdVolumeBar)->value(), 150);
        run.Edit(kIdPanEdit)->selectAll();
        run.Edit(kIdPanEdit)->insert("500");
        EXPECT_EQ(run.Bar(kIdPanBar)->value(), 100);
        EXPECT_EQ(run.Text(kIdPanEdit), "500");

        // Dragging the thumb writes the field.
        QScrollBar* pan = run.Bar(kIdPanBar);
        pan->setSliderDown(true);
        pan->setSliderPosition(20);
        pan->setSliderDown(false);
        EXPECT_EQ(run.Text(kIdPanEdit), "20");
        EXPECT_EQ(pan->value(), 20);

        run.Button(kIdLimiter)->click();
        EXPECT_FALSE(run.Button(kIdLimiter)->isChecked());
        run.Button(IdOk)->click();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(run.params.volume, 150);
    EXPECT_EQ(run.params.pan, 20);
    EXPECT_EQ(run.params.limiter, 0);
}

TEST(VolumeDialogQt, CancelEndsWithZeroButKeepsWhatWasMoved) {
    VolumeDialogRun run;
    const LParam result = run.Run([&] {
        run.Bar(kIdVolumeBar)->triggerAction(QAbstractSlider::SliderSingleStepSub);
        EXPECT_EQ(run.Text(kIdVolumeEdit), "99");
        run.Button(kIdLimiter)->click();
        run.Button(IdCancel)->click();
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(run.params.volume, 99);
    EXPECT_EQ(run.params.limiter, 1) << "check boxes are read only at OK";
}

} // namespace
