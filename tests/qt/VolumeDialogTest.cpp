// Dialog 102 as the desktop shows it: the template built into a real dialog, driven by the
// parameter dialog procedure, operated through its widgets.
#include "ParamDialogRun.h"

#include "commands/effects/LevelEffects.h"

#include <QCheckBox>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace wt;

namespace {

TEST(VolumeDialogQt, BarAndFieldFollowEachOtherAndOkAppliesThem) {
    VolumeParams params;
    qttest::ParamDialogRun run(kDialogVolume, VolumeBindings(params));
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
    EXPECT_EQ(params.volume, 150);
    EXPECT_EQ(params.pan, 20);
    EXPECT_EQ(params.limiter, 0);
}

TEST(VolumeDialogQt, CancelEndsWithZeroButKeepsWhatWasMoved) {
    VolumeParams params;
    qttest::ParamDialogRun run(kDialogVolume, VolumeBindings(params));
    const LParam result = run.Run([&] {
        run.Bar(kIdVolumeBar)->triggerAction(QAbstractSlider::SliderSingleStepSub);
        EXPECT_EQ(run.Text(kIdVolumeEdit), "99");
        run.Button(kIdLimiter)->click();
        run.Button(IdCancel)->click();
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(params.volume, 99);
    EXPECT_EQ(params.limiter, 1) << "check boxes are read only at OK";
}

} // namespace
