// Dialog 10 (time stretch) as the desktop shows it: the template built into a real dialog,
// driven by the parameter dialog procedure and its hook, operated through its widgets.
#include "ParamDialogRun.h"

#include "commands/effects/PitchEffects.h"

#include <gtest/gtest.h>

using namespace wt;

namespace {

TEST(TimeStretchDialogQt, DurationsFollowTheBarAndTheField) {
    TimeStretchParams params;
    qttest::ParamDialogRun run(kDialogTimeStretch, TimeStretchBindings(params, 1000));
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
