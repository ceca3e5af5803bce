// The generators' dialogs as the desktop shows them: the melody paste's keyboard drawn on a real
// widget and played with the mouse into the melody field at its caret, and the tone dialog with
// its waveform pictures.
#include "commands/generators/Generators.h"
#include "commands/generators/MelodyPaste.h"
#include "editor/App.h"
#include "editor/ParamDialog.h"
#include "hosts/qt/QtDialog.h"
#include "hosts/qt/QtHost.h"
#include "resources/Dialogs.h"
#include "window/MainWindow.h"

#include "QtTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace wt {
namespace {

using qttest::Settle;
using qttest::WhenModal;

using Editor = qttest::DesktopEditor;

TEST(MelodyDialogQt, KeyboardIsDrawnAndClicksInsertAtTheCaret) {
    Editor e;
    MelodyRecord record;
    record.text = "c";
    bool checked = false;
    WhenModal([&](QWidget* w) {
        auto* dialog = static_cast<QtDialog*>(w);
        QWidget* keyboard = dialog->ItemWidget(kIdKeyboard);
        auto* melody = qobject_cast<QLineEdit*>(dialog->ItemWidget(kIdMelodyText));
        ASSERT_NE(keyboard, nullptr);
        ASSERT_NE(melody, nullptr);
        Settle();
        EXPECT_EQ(dialog->windowTitle().toStdString(), "メロディペースト");
        EXPECT_EQ(qobject_cast<QLineEdit*>(dialog->ItemWidget(kIdTempoEdit))->text(), "120");
        const int width = keyboard->width(), height = keyboard->height();
        const QImage shown = keyboard->grab().toImage();
        // White key 7 (o4c) is white below; the black key on boundary 1 (o3c+) is black above;
        // there is none on boundary 3, between e and f.
        EXPECT_EQ(shown.pixelColor(15 * width / 48, height - 3), QColor(255, 255, 255));
        EXPECT_EQ(shown.pixelColor(width / 24 + 1, 3), QColor(0, 0, 0));
        EXPECT_EQ(shown.pixelColor(3 * width / 24 + 1, 3), QColor(255, 255, 255));

        QTest::mouseClick(keyboard, Qt::LeftButton, {}, QPoint(15 * width / 48, height - 3));
        EXPECT_EQ(melody->text().toStdString(), "co4c4");
        QTest::mouseClick(keyboard, Qt::LeftButton, {}, QPoint(3 * width / 24, 3));
        EXPECT_EQ(melody->text().toStdString(), "co4c4");
        QTest::mouseClick(dialog->ItemWidget(kIdLengthFirst + 4), Qt::LeftButton);
        QTest::mouseClick(dialog->ItemWidget(kIdRest), Qt::LeftButton);
        EXPECT_EQ(melody->text().toStdString(), "co4c4r8");
        QTest::mouseClick(dialog->ItemWidget(kIdBack), Qt::LeftButton);
        EXPECT_EQ(melody->text().toStdString(), "co4c4");
        // With the caret at the start, the key goes in before the text.
        melody->setCursorPosition(0);
        QTest::mouseClick(keyboard, Qt::LeftButton, {}, QPoint(width / 24, 3));
        EXPECT_EQ(melody->text().toStdString(), "o3c+8co4c4");
        // A selection made in the field is replaced, although the clicked button or length
        // button takes the focus from it first.
        melody->setFocus();
        melody->setSelection(0, 5);
        QTest::mouseClick(dialog->ItemWidget(kIdRest), Qt::LeftButton);
        EXPECT_EQ(melody->text().toStdString(), "r8co4c4");
        melody->setFocus();
        melody->setSelection(0, 2);
        QTest::mouseClick(dialog->ItemWidget(kIdLengthFirst + 2), Qt::LeftButton);
        QTest::mouseClick(keyboard, Qt::LeftButton, {}, QPoint(15 * width / 48, height - 3));
        EXPECT_EQ(melody->text().toStdString(), "o4c4co4c4");
        QTest::mouseClick(dialog->ItemWidget(IdOk), Qt::LeftButton);
        checked = true;
    });
    EXPECT_EQ(RunMelodyDialog(e.app, record), 1);
    EXPECT_TRUE(checked);
    EXPECT_EQ(record.text, "o4c4co4c4");
    EXPECT_EQ(record.lengthChoice, 2);
    EXPECT_EQ(record.tempo, 120);
}

TEST(ToneDialogQt, ShowsTheWaveformPicturesAndTheRememberedValues) {
    ToneParams params;
    std::vector<DialogBinding> table = ToneBindings(params);
    ParamDialogState state;
    QtDialog dialog(
        *FindDialogTemplate(kDialogTone),
        [&state](DialogHost& d, unsigned m, WParam w, LParam l) {
            return ParamDlgProc(d, m, w, l, state);
        },
        nullptr);
    bool checked = false;
    QTimer::singleShot(0, &dialog, [&] {
        int pictures = 0;
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            pictures += !label->pixmap().isNull();
        }
        EXPECT_EQ(pictures, 3);
        EXPECT_TRUE(qobject_cast<QRadioButton*>(dialog.ItemWidget(kIdSine))->isChecked());
        EXPECT_EQ(dialog.IsButtonChecked(kIdUseFm), Checked);
        EXPECT_EQ(qobject_cast<QLineEdit*>(dialog.ItemWidget(kIdToneFrequencyEdit))->text(), "440");
        QTest::mouseClick(dialog.ItemWidget(kIdSawtooth), Qt::LeftButton);
        QTest::mouseClick(dialog.ItemWidget(kIdUseFm), Qt::LeftButton);
        QTest::mouseClick(dialog.ItemWidget(IdOk), Qt::LeftButton);
        checked = true;
    });
    EXPECT_EQ(dialog.Run(reinterpret_cast<LParam>(table.data())), 1);
    EXPECT_TRUE(checked);
    EXPECT_EQ(params.waveform, 2);
    EXPECT_EQ(params.fm, 0);
}

} // namespace
} // namespace wt
