// The window's controls as they stand after creation, and how they look and behave.
#include <QApplication>
#include <QFontInfo>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <cstdlib>

#include <gtest/gtest.h>

#include "tests/app/window/window_test_support.h"

namespace talvex::app {
namespace {

using test::Find;
using test::RefusedAddress;
using test::TestAddresses;

struct ControlRow {
    Control control;
    const char16_t* recordName;
    const char* kind;  // Qt class the control is made of
    QRect geometry;
    const char16_t* startText;  // as shown
    const char* startGbk;       // as GetText reads it back (GBK)
    bool visible;
    bool takesFocus;
};

void PrintTo(const ControlRow& row, std::ostream* out) {
    *out << QString::fromUtf16(row.recordName).toStdString();
}

// Every control in creation order, as the window's record describes it.
const ControlRow kControls[] = {
    {Control::KeywordEdit,
     u"编辑框1",
     "QLineEdit",
     {95, 56, 240, 32},
     u"功夫2",
     "\xB9\xA6\xB7\xF2\x32",
     true,
     true},
    {Control::SearchButton,
     u"按钮1",
     "QPushButton",
     {351, 56, 80, 32},
     u"搜  索",
     "\xCB\xD1  \xCB\xF7",
     true,
     true},
    {Control::ResultList, u"超级列表框1", "QTableView", {16, 177, 480, 280}, u"", "", true, true},
    {Control::StatusLabel, u"透明标签1", "QLabel", {123, 120, 232, 24}, u"", "", true, false},
    {Control::AppendButton,
     u"按钮2",
     "QPushButton",
     {400, 470, 80, 32},
     u"加入下一页",
     "\xBC\xD3\xC8\xEB\xCF\xC2\xD2\xBB\xD2\xB3",
     true,
     true},
    {Control::NextPageButton,
     u"按钮3",
     "QPushButton",
     {309, 470, 80, 32},
     u"下一页",
     "\xCF\xC2\xD2\xBB\xD2\xB3",
     true,
     true},
    {Control::NoResultsHint,
     u"透明标签2",
     "QLabel",
     {16, 472, 184, 32},
     u"如果搜索后没有结果请点此",
     "\xC8\xE7\xB9\xFB\xCB\xD1\xCB\xF7\xBA\xF3\xC3\xBB\xD3\xD0\xBD\xE1\xB9\xFB\xC7\xEB\xB5\xE3"
     "\xB4\xCB",
     true,
     false},
    {Control::DownloadToolHint,
     u"透明标签3",
     "QLabel",
     {144, 16, 232, 24},
     u"请配合，讯雷、QQ旋风等下载工具",
     "\xC7\xEB\xC5\xE4\xBA\xCF\xA3\xAC\xD1\xB6\xC0\xD7\xA1\xA2QQ\xD0\xFD\xB7\xE7\xB5\xC8\xCF"
     "\xC2\xD4\xD8\xB9\xA4\xBE\xDF",
     true,
     false},
    {Control::UpdateButton,
     u"按钮4",
     "QPushButton",
     {440, 64, 48, 24},
     u"按钮",
     "\xB0\xB4\xC5\xA5",
     false,
     true},
    {Control::NewVersionEdit, u"编辑框2", "QLineEdit", {112, 112, 376, 24}, u"", "", false, true},
    {Control::NewVersionCaption,
     u"标签1",
     "QLabel",
     {24, 112, 80, 24},
     u"新版下载地址：",
     "\xD0\xC2\xB0\xE6\xCF\xC2\xD4\xD8\xB5\xD8\xD6\xB7\xA3\xBA",
     false,
     false},
    {Control::Banner, u"图片框10", "QLabel", {-8, 512, 520, 40}, u"", "", true, false},
};

QString Text16(const char16_t* text) {
    return QString::fromUtf16(text);
}

class WindowStart : public testing::Test {
  protected:
    Window window{TestAddresses(RefusedAddress("/gengxin/gengxin2.txt"))};
};

TEST_F(WindowStart, EveryControlHasItsPlaceTextVisibilityAndFocus) {
    for (const ControlRow& row : kControls) {
        SCOPED_TRACE(testing::PrintToString(row));
        QWidget* control = Find(window, Text16(row.recordName));
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(control->inherits(row.kind));
        EXPECT_EQ(control->geometry(), row.geometry);
        EXPECT_EQ(!control->isHidden(), row.visible);
        EXPECT_EQ(control->focusPolicy() != Qt::NoFocus, row.takesFocus);
        EXPECT_TRUE(control->isEnabled());
        EXPECT_EQ(window.GetText(row.control), Text(row.startGbk));
        if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            EXPECT_EQ(edit->text(), Text16(row.startText));
        } else if (auto* button = qobject_cast<QPushButton*>(control)) {
            EXPECT_EQ(button->text(), Text16(row.startText));
            EXPECT_FALSE(button->isDefault());
            EXPECT_FALSE(button->autoDefault());
        } else if (auto* label = qobject_cast<QLabel*>(control)) {
            EXPECT_EQ(label->text(), Text16(row.startText));
        }
    }
}

TEST_F(WindowStart, ControlsAreCreatedInTheRecordsOrder) {
    QStringList created;
    for (QObject* child : window.widget().children()) {
        if (child->isWidgetType() && !child->objectName().isEmpty()) {
            created << child->objectName();
        }
    }
    QStringList expected;
    for (const ControlRow& row : kControls) {
        expected << Text16(row.recordName);
    }
    EXPECT_EQ(created, expected);
}

TEST_F(WindowStart, ListHasNoRowsNoSelectionAndPageCountStartsAtZero) {
    EXPECT_EQ(Find<QTableView>(window, u"超级列表框1"_qs)->model()->rowCount(), 0);
    EXPECT_EQ(window.SelectedRow(), -1);
    EXPECT_EQ(window.GetCell(0, 0), Text());
    EXPECT_EQ(CurrentPage.load(), 0);
    EXPECT_TRUE(SelectedRowUrl.empty());
}

TEST_F(WindowStart, TitleNamesThePublishersSiteAfterAnEmDash) {
    EXPECT_EQ(window.widget().windowTitle(), u"Talvex\u2014http://publisher.test/"_qs);
}

TEST_F(WindowStart, WindowHasMinimiseAndCloseButNoMaximise) {
    const Qt::WindowFlags flags = window.widget().windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(window.widget().isVisible());  // shown only by Start
}

TEST_F(WindowStart, StartShowsTheWindowCentredAtItsOuterSize) {
    window.Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window.widget()));
    QApplication::processEvents();
    const QRect outer = window.widget().frameGeometry();
    EXPECT_EQ(outer.size(), QSize(516, 587));
    const QRect screen = window.widget().screen()->geometry();
    EXPECT_EQ(outer.topLeft(),
              QPoint((screen.width() - 516) / 2, (screen.height() - 587) / 2) + screen.topLeft());
    // A larger window lays nothing out again.
    window.widget().resize(800, 700);
    QApplication::processEvents();
    for (const ControlRow& row : kControls) {
        EXPECT_EQ(Find(window, Text16(row.recordName))->geometry(), row.geometry);
    }
}

TEST_F(WindowStart, ChineseFontsMapToAnInstalledFamily) {
    const QFont keyword = Find(window, u"编辑框1"_qs)->font();
    EXPECT_EQ(keyword.family(), u"微软雅黑"_qs);
    EXPECT_EQ(keyword.pixelSize(), 16);
    EXPECT_EQ(keyword.weight(), QFont::Normal);
    EXPECT_EQ(QFontInfo(keyword).family(), u"WenQuanYi Zen Hei"_qs);

    const QFont hint = Find(window, u"透明标签2"_qs)->font();
    EXPECT_EQ(hint.family(), u"宋体"_qs);
    EXPECT_EQ(hint.pixelSize(), 12);
    EXPECT_TRUE(hint.underline());
    EXPECT_EQ(QFontInfo(hint).family(), u"WenQuanYi Zen Hei"_qs);
}

// Renders `widget` alone and counts its pixels close to `colour` (glyph edges are blended).
int CountPixels(QWidget& widget, QColor colour) {
    const QImage image = widget.grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            const int distance = std::abs(pixel.red() - colour.red()) +
                                 std::abs(pixel.green() - colour.green()) +
                                 std::abs(pixel.blue() - colour.blue());
            count += distance < 60 ? 1 : 0;
        }
    }
    return count;
}

TEST_F(WindowStart, TransparentLabelsAreRedWithoutBackgroundAndShowAnAmpersand) {
    for (const char16_t* name : {u"透明标签1", u"透明标签2", u"透明标签3"}) {
        SCOPED_TRACE(Text16(name).toStdString());
        auto* label = Find<QLabel>(window, Text16(name));
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        EXPECT_FALSE(label->autoFillBackground());
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_EQ(label->buddy(), nullptr);
    }
    // A lone ampersand would vanish as a mnemonic marker; here it is drawn in red.
    window.SetText(Control::StatusLabel, "&");
    EXPECT_EQ(window.GetText(Control::StatusLabel), Text("&"));
    EXPECT_GT(CountPixels(*Find(window, u"透明标签1"_qs), QColor(255, 0, 0)), 0);
    window.SetText(Control::StatusLabel, "");
    EXPECT_EQ(CountPixels(*Find(window, u"透明标签1"_qs), QColor(255, 0, 0)), 0);
}

TEST_F(WindowStart, ResultListIsAReportWithTwoFixedColumnsAndNoEditing) {
    auto* list = Find<QTableView>(window, u"超级列表框1"_qs);
    const QAbstractItemModel& model = *list->model();
    ASSERT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), u"标题"_qs);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), u"下站地址"_qs);
    EXPECT_EQ(list->columnWidth(0), 200);
    EXPECT_EQ(list->columnWidth(1), 200);
    EXPECT_TRUE(list->showGrid());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(list->isSortingEnabled());
    EXPECT_FALSE(list->verticalHeader()->isVisibleTo(list));
    const QHeaderView& header = *list->horizontalHeader();
    EXPECT_TRUE(header.sectionsClickable());
    EXPECT_TRUE(header.sectionsMovable());
    EXPECT_FALSE(header.isSortIndicatorShown());
    EXPECT_EQ(header.defaultAlignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
}

TEST_F(WindowStart, ClickingAColumnHeaderSortsNothing) {
    window.Start();
    for (const char* title : {"b", "c", "a"}) {
        window.SetCell(window.AppendRow(), 0, title);
    }
    auto* list = Find<QTableView>(window, u"超级列表框1"_qs);
    QHeaderView& header = *list->horizontalHeader();
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {},
                      QPoint(header.sectionViewportPosition(0) + 20, header.height() / 2));
    QApplication::processEvents();
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(list->model()->index(row, 0).data().toString(), QString(QChar(u"bca"[row])));
        EXPECT_EQ(list->visualRect(list->model()->index(row, 0)).top(),
                  list->rowViewportPosition(row));
        EXPECT_EQ(list->verticalHeader()->visualIndex(row), row);
    }
}

TEST_F(WindowStart, SelectionShowsOnlyWhileTheListHasTheFocus) {
    window.Start();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window.widget()));
    window.SetCell(window.AppendRow(), 0, "row");
    auto* list = Find<QTableView>(window, u"超级列表框1"_qs);
    list->selectRow(0);
    ASSERT_EQ(window.SelectedRow(), 0);
    const QColor highlight = list->palette().color(QPalette::Active, QPalette::Highlight);

    list->setFocus();
    ASSERT_TRUE(test::WaitUntil([&] { return list->hasFocus(); }));
    EXPECT_GT(CountPixels(*list->viewport(), highlight), 0);

    Find(window, u"编辑框1"_qs)->setFocus();
    ASSERT_TRUE(test::WaitUntil([&] { return !list->hasFocus(); }));
    QApplication::processEvents();
    EXPECT_EQ(CountPixels(*list->viewport(), highlight), 0);
    EXPECT_EQ(window.SelectedRow(), 0);  // hidden, not lost
}

TEST_F(WindowStart, BannerAnimatesTheStretchedLoopingGif) {
    auto* banner = Find<QLabel>(window, u"图片框10"_qs);
    QMovie* movie = banner->movie();
    ASSERT_NE(movie, nullptr);
    EXPECT_EQ(movie->format(), QByteArray("gif"));
    EXPECT_TRUE(banner->hasScaledContents());
    EXPECT_EQ(movie->state(), QMovie::Running);
    EXPECT_GT(movie->frameCount(), 1);
    EXPECT_EQ(movie->loopCount(), -1);  // loops forever
    EXPECT_EQ(movie->currentImage().size(), QSize(930, 80));
    const int first = movie->currentFrameNumber();
    EXPECT_TRUE(test::WaitUntil([&] { return movie->currentFrameNumber() != first; }));
}

TEST_F(WindowStart, WindowHasTheToolsIcon) {
    EXPECT_FALSE(window.widget().windowIcon().isNull());
}

}  // namespace
}  // namespace talvex::app
