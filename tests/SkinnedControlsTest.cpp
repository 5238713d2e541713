#include "TsButton.h"
#include "TsCommonData.h"
#include "TsLabel.h"
#include "TsPanel.h"
#include "TsProgressBar.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>

namespace {

TEST(Skinned, NoManagerMeansNotSkinned) {
    ASSERT_EQ(DefaultManager, nullptr);
    TsButton button;
    TsProgressBar bar;
    TsPanel panel;
    TsLabel label;
    for (TsCommonData* data :
         {static_cast<TsCommonData*>(button.SkinData()), bar.SkinData(), panel.SkinData()}) {
        EXPECT_FALSE(data->Skinned(false));
        EXPECT_FALSE(data->Skinned(true));
        EXPECT_EQ(data->SkinIndex(), -1);
        EXPECT_FALSE(data->FMouseAbove);
    }
    EXPECT_FALSE(label.Skinned());
}

TEST(Skinned, SectionsDefaultByKindOfControl) {
    TsButton button;
    TsProgressBar bar;
    TsPanel panel;
    EXPECT_EQ(button.SkinData()->SkinSection(), u"BUTTON");
    EXPECT_EQ(bar.SkinData()->SkinSection(), u"GAUGE");
    EXPECT_EQ(panel.SkinData()->SkinSection(), u"PANEL");
}

// ---- Standard controls ----

QImage imageOf(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(StandardControls, PaintExactlyAsTheStandardOnes) {
    TsLabel label;
    QLabel plainLabel;
    for (QLabel* l : {static_cast<QLabel*>(&label), &plainLabel}) {
        l->setGeometry(0, 0, 200, 24);
        l->setText("Obtendo o caminho do banco");
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    EXPECT_EQ(imageOf(label), imageOf(plainLabel));

    TsProgressBar bar;
    QProgressBar plainBar;
    plainBar.setTextVisible(false);
    for (QProgressBar* b : {static_cast<QProgressBar*>(&bar), &plainBar}) {
        b->setGeometry(0, 0, 300, 58);
        b->setMaximum(8);
        b->setValue(5);
    }
    EXPECT_EQ(imageOf(bar), imageOf(plainBar));

    TsPanel panel;
    QFrame plainFrame;
    plainFrame.setFrameStyle(QFrame::Panel | QFrame::Raised);
    for (QFrame* f : {static_cast<QFrame*>(&panel), &plainFrame})
        f->setGeometry(0, 0, 120, 30);
    EXPECT_EQ(imageOf(panel), imageOf(plainFrame));
}

TEST(StandardControls, ProgressBarStartsEmptyAtHundred) {
    TsProgressBar bar;
    EXPECT_EQ(bar.orientation(), Qt::Horizontal);
    EXPECT_EQ(bar.minimum(), 0);
    EXPECT_EQ(bar.maximum(), 100);
    EXPECT_EQ(bar.value(), 0);
}

TEST(StandardControls, PanelPaintHandlerDrawsOverTheFrame) {
    TsPanel panel;
    panel.setGeometry(0, 0, 40, 10);
    int calls = 0;
    panel.OnPaint = [&](QObject* Sender, QPainter& Canvas) {
        ++calls;
        EXPECT_EQ(Sender, &panel);
        Canvas.fillRect(QRect(0, 0, 40, 10), Qt::magenta);
    };
    const QImage image = imageOf(panel);
    EXPECT_EQ(calls, 1);
    // Had the frame been painted after the handler, its edges would show.
    for (const QPoint p : {QPoint(0, 0), QPoint(39, 9), QPoint(20, 5)})
        EXPECT_EQ(image.pixelColor(p), QColor(Qt::magenta));
}

} // namespace
