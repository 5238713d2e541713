#include "TsButton.h"
#include "TsCommonData.h"
#include "TsLabel.h"
#include "TsPanel.h"
#include "TsProgressBar.h"
#include "TsSkinManager.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>

#include <memory>

namespace {

// ---- The skinned test ----

struct SkinnedCase {
    const char* name;
    bool ownManager; // else the manager is DefaultManager
    bool managerDestroying;
    bool sectionListed;  // the control's section is among the manager's sections
    bool sectionsShrunk; // the manager lost sections after the index was taken
    bool ownerDestroying;
    bool checkActive;
    bool active;
    bool skinned;
};

TEST(Skinned, AllFiveConditionsMustHold) {
    const SkinnedCase cases[] = {
        {"own manager", true, false, true, false, false, false, false, true},
        {"default manager", false, false, true, false, false, false, false, true},
        {"active checked and active", true, false, true, false, false, true, true, true},
        {"manager being destroyed", true, true, true, false, false, false, false, false},
        {"section unknown to the manager", true, false, false, false, false, false, false, false},
        {"index beyond the sections", false, false, true, true, false, false, false, false},
        {"owner being destroyed", true, false, true, false, true, false, false, false},
        {"active checked, not active", false, false, true, false, false, true, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TsSkinManager manager;
        manager.SkinSections = {"FORM", "PANEL", "BUTTON"};
        manager.Active = c.active;
        if (!c.ownManager)
            manager.SetDefault(true);
        TsButton button;
        button.SkinData()->SetSkinSection(c.sectionListed ? "BUTTON" : "CHECKBOX");
        if (c.ownManager)
            button.SkinData()->SetSkinManager(&manager);
        if (c.sectionsShrunk)
            manager.SkinSections = {"FORM"};
        if (c.managerDestroying)
            manager.BeginDestroy();
        if (c.ownerDestroying)
            button.SkinData()->BeginOwnerDestroy();
        EXPECT_EQ(button.SkinData()->Skinned(c.checkActive), c.skinned);
    }
    EXPECT_EQ(DefaultManager, nullptr);
}

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
    EXPECT_EQ(button.SkinData()->SkinSection(), "BUTTON");
    EXPECT_EQ(bar.SkinData()->SkinSection(), "GAUGE");
    EXPECT_EQ(panel.SkinData()->SkinSection(), "PANEL");
    button.SkinData()->SetSkinSection("SPEEDBUTTON");
    EXPECT_EQ(button.SkinData()->SkinSection(), "SPEEDBUTTON");
    button.SkinData()->SetSkinSection("");
    EXPECT_EQ(button.SkinData()->SkinSection(), "BUTTON");
}

TEST(Skinned, ManagerRegistersAsDefaultAndWithdrawsWhenDestroyed) {
    TsButton button;
    {
        auto manager = std::make_unique<TsSkinManager>();
        manager->SkinSections = {"BUTTON"};
        manager->Active = true;
        EXPECT_EQ(DefaultManager, nullptr);
        manager->SetDefault(true);
        EXPECT_EQ(DefaultManager, manager.get());
        button.SkinData()->SetSkinManager(manager.get());
        EXPECT_TRUE(button.SkinData()->Skinned(true));
        manager.reset();
    }
    EXPECT_EQ(DefaultManager, nullptr);
    // The control's own reference goes with the manager; nothing dangles.
    EXPECT_EQ(button.SkinData()->SkinManager(), nullptr);
    EXPECT_FALSE(button.SkinData()->Skinned(false));
}

TEST(Skinned, LabelAsksForAnActiveManagerInReach) {
    TsLabel label;
    TsSkinManager manager;
    label.SetSkinManager(&manager);
    EXPECT_FALSE(label.Skinned());
    manager.Active = true;
    EXPECT_TRUE(label.Skinned());
    label.SetSkinManager(nullptr);
    EXPECT_FALSE(label.Skinned());
    manager.SetDefault(true);
    EXPECT_TRUE(label.Skinned());
    manager.SetDefault(false);
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
