// Message boxes shown over the main window keep clear of its open page: the window
// hands the page and the picture alignment to the box placement.
#include "FakeDesktop.h"
#include "MainForm.h"
#include "MemoryStore.h"
#include "MsgBoxPlacement.h"
#include "PictureFeature.h"
#include "ShowMessage.h"
#include "UiHarness.h"

#include <QtTest>

using namespace kivra;

namespace {

class BoxPlacementTest : public QObject {
    Q_OBJECT

private slots:
    void aBoxOverAnOpenPageIsNotCentredOnTheWindow() {
        FakeDesktop desktop;
        auto store = test::quietStore();
        store->write(test::kMainSection, "PicturePrefs", "PicAlign", "2");
        auto started = test::startMainForm(desktop, store);
        MainForm& form = *started;
        QVERIFY(form.firstActivationDone());

        const QSize box(300, 120);
        const Twips twips = form.twips();
        const QPoint centred = placeMsgBox(placementFor(&form), box, twips);
        QCOMPARE(placementFor(&form).pictureAlignment, 2);
        form.showControls();
        form.openCreatePage();
        QCOMPARE(placementFor(&form).page, OpenPage::Links);
        QVERIFY(placeMsgBox(placementFor(&form), box, twips) != centred);
        form.closeCreatePage();
        form.pictures()->openSelectPage();
        QCOMPARE(placementFor(&form).page, OpenPage::SelectPicture);
    }
};

}  // namespace

QTEST_MAIN(BoxPlacementTest)
#include "box_placement_test.moc"
