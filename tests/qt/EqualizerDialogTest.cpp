// Dialog 112 on the desktop: nine real sliders driven by the equalizer's procedure, the preset
// buttons, and storing a preset through dialog 12 into the settings file.
#include "hosts/qt/ClassicTrackBar.h"
#include "hosts/qt/Desktop.h"
#include "hosts/qt/QtDialog.h"
#include "hosts/qt/QtHost.h"

#include "commands/effects/SpectralEffects.h"
#include "editor/App.h"
#include "window/MainWindow.h"

#include "QtTestSupport.h"

#include <QAbstractButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace wt {
namespace {

// Calls `step` with the first modal window other than `under` (polled every 10 ms).
void WhenModalOver(QWidget* under, std::function<void(QtDialog*)> step) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != under && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            step(dynamic_cast<QtDialog*>(modal));
        } else if (++*tries > 500) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no modal dialog appeared";
        }
    });
    timer->start(10);
}

QSlider* Slider(QtDialog* d, int band) {
    return qobject_cast<QSlider*>(d->ItemWidget(kIdEqFirstBar + band));
}

void Click(QtDialog* d, int id) {
    qobject_cast<QAbstractButton*>(d->ItemWidget(id))->click();
}

TEST(EqualizerDialogQt, SlidersPresetsAndStoringAPreset) {
    qttest::DesktopEditor editor;
    QtHost& host = editor.host;
    App& app = editor.app;
    ASSERT_TRUE(OpenMainWindow(host, app, ""));
    const EqPositions preset1{100, 100, 100, 80, 60, 50, 50, 50, 50}; // its default levels
    bool stored = false;

    WhenModalOver(nullptr, [&](QtDialog* d) {
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->windowTitle().toStdString(), "イコライザー");
        for (int b = 0; b < 9; ++b) {
            QSlider* slider = Slider(d, b);
            ASSERT_NE(slider, nullptr) << "band " << b << " is a slider";
            EXPECT_EQ(slider->orientation(), Qt::Vertical);
            EXPECT_EQ(slider->minimum(), 0);
            EXPECT_EQ(slider->maximum(), 100);
            EXPECT_EQ(slider->value(), 50);
        }
        QSlider* first = Slider(d, 0);
        // The Up key moves the thumb up a step, toward +18 dB; a page is 5 steps.
        first->setFocus();
        QTest::keyClick(first, Qt::Key_Up);
        EXPECT_EQ(first->value(), 49);
        first->triggerAction(QAbstractSlider::SliderPageStepAdd);
        EXPECT_EQ(first->value(), 54);
        // Dragging the thumb to the top: the position follows, and the thumb is drawn there.
        first->setSliderDown(true);
        first->setSliderPosition(0);
        first->setSliderDown(false);
        EXPECT_EQ(first->value(), 0);
        EXPECT_EQ(app.effects.spectral.equalizer.positions[0], 0);
        QStyleOptionSlider option;
        option.initFrom(first);
        option.orientation = Qt::Vertical;
        option.minimum = first->minimum();
        option.maximum = first->maximum();
        option.sliderPosition = first->sliderPosition();
        option.sliderValue = first->value();
        option.upsideDown = !first->invertedAppearance();
        const QRect handle = first->style()->subControlRect(QStyle::CC_Slider, &option,
                                                            QStyle::SC_SliderHandle, first);
        EXPECT_LT(handle.center().y(), first->height() / 2) << "+18 dB is at the top";

        // Preset 1 moves every slider to it.
        Click(d, kIdEqFirstPreset);
        for (int b = 0; b < 9; ++b) {
            EXPECT_EQ(Slider(d, b)->value(), preset1[static_cast<std::size_t>(b)]) << b;
        }
        // Register: dialog 12 asks for the number; button 9 stands for preset 5.
        WhenModalOver(d, [&](QtDialog* ask) {
            ASSERT_NE(ask, nullptr);
            EXPECT_EQ(ask->windowTitle().toStdString(), "イコライザプリセット登録");
            Click(ask, 9);
            stored = true;
        });
        Click(d, kIdEqRegister);
        EXPECT_TRUE(stored);
        Click(d, IdOk);
    });
    EXPECT_EQ(CmdEqualizer(app), 1);
    EXPECT_EQ(app.effects.spectral.equalizer.positions, preset1);
    std::ifstream ini(editor.dir.File("wtomuka.ini"));
    std::stringstream text;
    text << ini.rdbuf();
    EXPECT_NE(text.str().find("Preset5=0,0,0,20,40,50,50,50,50"), std::string::npos) << text.str();
}

} // namespace
} // namespace wt
