// Dialog 110 (echo) as the desktop shows it: the template built into a real dialog, driven by
// the parameter dialog procedure, operated through its widgets.
#include "ParamDialogRun.h"

#include "commands/effects/DelayEffects.h"

#include <QPushButton>

#include <gtest/gtest.h>

using namespace wt;

namespace {

TEST(EchoDialogQt, BarsAndFieldsFollowEachOtherAndOkAppliesThem) {
    EchoParams params;
    qttest::ParamDialogRun run(kDialogEcho, EchoBindings(params));
    for (int id : {kIdDelayTimeBar, kIdEchoLevelBar, kIdFeedbackBar}) {
        ASSERT_NE(run.Bar(id), nullptr) << id;
        ASSERT_NE(run.Edit(id + 1), nullptr) << id + 1;
    }
    const LParam result = run.Run([&] {
        EXPECT_EQ(run.dialog.windowTitle().toStdString(), "エコー");
        EXPECT_EQ(run.Text(kIdDelayTimeEdit), "120");
        EXPECT_EQ(run.Bar(kIdDelayTimeBar)->value(), 120);
        EXPECT_EQ(run.Bar(kIdDelayTimeBar)->minimum(), 0);
        EXPECT_EQ(run.Bar(kIdDelayTimeBar)->maximum(), 1000);
        EXPECT_EQ(run.Text(kIdEchoLevelEdit), "50");
        EXPECT_EQ(run.Text(kIdFeedbackEdit), "40");

        // A click in the trough pages by (1000 - 0) / 16 = 62.
        run.Bar(kIdDelayTimeBar)->triggerAction(QAbstractSlider::SliderPageStepAdd);
        EXPECT_EQ(run.Bar(kIdDelayTimeBar)->value(), 182);
        EXPECT_EQ(run.Text(kIdDelayTimeEdit), "182");

        // Typing moves the bar; beyond the range it moves to the end, the text stays.
        run.Type(kIdEchoLevelEdit, "75");
        EXPECT_EQ(run.Bar(kIdEchoLevelBar)->value(), 75);
        run.Type(kIdFeedbackEdit, "250");
        EXPECT_EQ(run.Bar(kIdFeedbackBar)->value(), 100);
        EXPECT_EQ(run.Text(kIdFeedbackEdit), "250");

        // Dragging a thumb writes its field.
        QScrollBar* delay = run.Bar(kIdDelayTimeBar);
        delay->setSliderDown(true);
        delay->setSliderPosition(300);
        delay->setSliderDown(false);
        EXPECT_EQ(run.Text(kIdDelayTimeEdit), "300");
        run.Button(IdOk)->click();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(params.delayMs, 300);
    EXPECT_EQ(params.level, 75);
    EXPECT_EQ(params.feedback, 100);
}

} // namespace
