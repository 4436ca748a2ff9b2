// The window operations: text in and out of the controls, the rows of the list, calls from
// workers, and the pause that keeps the window alive.
#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/app/window/window_test_support.h"
#include "text/primitives.h"

namespace talvex::app {
namespace {

using test::Find;
using test::RefusedAddress;
using test::TestAddresses;

class WindowOperations : public testing::Test {
  protected:
    Window window{TestAddresses(RefusedAddress("/gengxin/gengxin2.txt"))};
};

struct TextCase {
    const char* name;
    const char* gbk;
    const char16_t* shown;
};

void PrintTo(const TextCase& row, std::ostream* out) {
    *out << row.name;
}

const TextCase kTexts[] = {
    {"ascii", "http://a.example/x?y=1&z=2", u"http://a.example/x?y=1&z=2"},
    {"chinese", "\xB9\xA6\xB7\xF2\x32", u"功夫2"},
    {"full-width punctuation", "\xA1\xBE\xA3\xAC\xA1\xA2\xA3\xBA\xA1\xBF", u"【，、：】"},
    {"em dash", "Talvex\xA1\xAA", u"Talvex—"},
    {"euro sign (GBK 80)", "\x80", u"€"},
    {"ampersand", "R&D & co", u"R&D & co"},
    {"empty", "", u""},
};

TEST_F(WindowOperations, TextsRoundTripThroughEditBoxesAndLabelsByteForByte) {
    for (const TextCase& row : kTexts) {
        SCOPED_TRACE(testing::PrintToString(row));
        for (Control control : {Control::KeywordEdit, Control::NewVersionEdit, Control::StatusLabel,
                                Control::NewVersionCaption}) {
            window.SetText(control, row.gbk);
            EXPECT_EQ(window.GetText(control), Text(row.gbk));
        }
        EXPECT_EQ(Find<QLineEdit>(window, u"编辑框1"_qs)->text(), QString::fromUtf16(row.shown));
    }
}

TEST_F(WindowOperations, WhatTheUserTypesIsReadAsGbk) {
    auto* keyword = Find<QLineEdit>(window, u"编辑框1"_qs);
    keyword->clear();
    // Chinese arrives through the input method as a committed string.
    QInputMethodEvent typed;
    typed.setCommitString(u"磁力 链接"_qs);
    QApplication::sendEvent(keyword, &typed);
    EXPECT_EQ(window.GetText(Control::KeywordEdit), Text("\xB4\xC5\xC1\xA6 \xC1\xB4\xBD\xD3"));
}

TEST_F(WindowOperations, SetVisibleShowsAndHidesAControl) {
    window.SetVisible(Control::NewVersionEdit, true);
    EXPECT_FALSE(Find(window, u"编辑框2"_qs)->isHidden());
    window.SetVisible(Control::NewVersionEdit, false);
    EXPECT_TRUE(Find(window, u"编辑框2"_qs)->isHidden());
    window.SetVisible(Control::SearchButton, false);
    EXPECT_TRUE(Find(window, u"按钮1"_qs)->isHidden());
}

TEST_F(WindowOperations, AppendRowReturnsTheNextIndexAndCellsKeepTheirBytes) {
    // Cells keep even bytes that are not GBK at all: the list stores what it was given.
    const Text odd("\xFF\x81 half\xB9");
    for (int expected = 0; expected < 3; ++expected) {
        const int row = window.AppendRow();
        EXPECT_EQ(row, expected);
        EXPECT_EQ(window.GetCell(row, 0), Text());
        window.SetCell(row, 0, ConcatText(Text("title "), IntToText(row)));
        window.SetCell(row, 1, odd);
    }
    EXPECT_EQ(window.GetCell(2, 0), Text("title 2"));
    EXPECT_EQ(window.GetCell(1, 1), odd);
    auto* list = Find<QTableView>(window, u"超级列表框1"_qs);
    EXPECT_EQ(list->model()->rowCount(), 3);
    EXPECT_EQ(list->model()->index(2, 0).data().toString(), u"title 2"_qs);
}

TEST_F(WindowOperations, CellsOutsideTheListAreEmptyAndSettingThemChangesNothing) {
    window.SetCell(window.AppendRow(), 0, "only");
    for (auto [row, column] : {std::pair{-1, 0}, {1, 0}, {0, 2}, {0, -1}, {100, 1}}) {
        SCOPED_TRACE(testing::Message() << row << "," << column);
        window.SetCell(row, column, "x");
        EXPECT_EQ(window.GetCell(row, column), Text());
    }
    EXPECT_EQ(window.GetCell(0, 0), Text("only"));
    EXPECT_EQ(Find<QTableView>(window, u"超级列表框1"_qs)->model()->rowCount(), 1);
}

TEST_F(WindowOperations, ClearRowsRemovesEveryRowAndTheSelection) {
    for (int i = 0; i < 5; ++i) {
        window.SetCell(window.AppendRow(), 1, "addr");
    }
    auto* list = Find<QTableView>(window, u"超级列表框1"_qs);
    list->selectRow(3);
    EXPECT_EQ(window.SelectedRow(), 3);
    window.ClearRows();
    EXPECT_EQ(list->model()->rowCount(), 0);
    EXPECT_EQ(window.SelectedRow(), -1);
    EXPECT_EQ(window.GetCell(0, 1), Text());
    EXPECT_EQ(window.AppendRow(), 0);
}

TEST_F(WindowOperations, ClickingARowSelectsItAndClickingBelowTheRowsDeselects) {
    window.Start();
    for (int i = 0; i < 3; ++i) {
        window.SetCell(window.AppendRow(), 0, "row");
    }
    auto* list = Find<QTableView>(window, u"超级列表框1"_qs);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(1, 0)).center());
    EXPECT_EQ(window.SelectedRow(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      QPoint(10, list->viewport()->height() - 5));
    EXPECT_EQ(window.SelectedRow(), -1);
}

// Each worker writes rows that name it and their own index, so a row whose cells went to
// another row's index shows up.
TEST(WindowFromWorkers, SeveralWorkersAppendAndSetCellsWithoutMixingRows) {
    Window window(TestAddresses(RefusedAddress("/gengxin/gengxin2.txt")));
    window.Start();
    constexpr int kWorkers = 4;
    constexpr int kRowsEach = 150;
    std::atomic<int> finished{0};
    std::vector<std::thread> workers;
    for (int worker = 0; worker < kWorkers; ++worker) {
        workers.emplace_back([&, worker] {
            for (int i = 0; i < kRowsEach; ++i) {
                const int row = window.AppendRow();
                window.SetCell(row, 0, ConcatText(Text("w"), IntToText(worker)));
                window.SetCell(row, 1, IntToText(row));
                window.SetText(Control::StatusLabel, IntToText(i));
                EXPECT_EQ(window.GetCell(row, 1), IntToText(row));
            }
            (void)window.GetText(Control::KeywordEdit);
            ++finished;
        });
    }
    EXPECT_TRUE(test::WaitUntil([&] { return finished.load() == kWorkers; }));
    for (std::thread& worker : workers) {
        worker.join();
    }
    std::vector<int> rowsOf(kWorkers, 0);
    for (int row = 0; row < kWorkers * kRowsEach; ++row) {
        EXPECT_EQ(window.GetCell(row, 1), IntToText(row));
        const Text owner = window.GetCell(row, 0);
        ASSERT_EQ(owner.size(), 2U);
        ++rowsOf[static_cast<std::size_t>(owner.view()[1] - '0')];
    }
    EXPECT_EQ(rowsOf, std::vector<int>(kWorkers, kRowsEach));
    EXPECT_EQ(window.GetCell(kWorkers * kRowsEach, 0), Text());
    // The view catches up with the rows the workers appended.
    auto* list = Find<QTableView>(window, u"超级列表框1"_qs);
    EXPECT_TRUE(test::WaitUntil([&] { return list->model()->rowCount() == kWorkers * kRowsEach; }));
}

TEST(WindowFromWorkers, AWorkerSeesTheUsersSelectionAndClearsTheList) {
    Window window(TestAddresses(RefusedAddress("/gengxin/gengxin2.txt")));
    window.SetCell(window.AppendRow(), 1, "a");
    window.SetCell(window.AppendRow(), 1, "b");
    Find<QTableView>(window, u"超级列表框1"_qs)->selectRow(1);
    std::atomic<int> seen{-2};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        seen = window.SelectedRow();
        window.ClearRows();
        done = true;
    });
    EXPECT_TRUE(test::WaitUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(seen.load(), 1);
    EXPECT_EQ(window.SelectedRow(), -1);
    EXPECT_EQ(Find<QTableView>(window, u"超级列表框1"_qs)->model()->rowCount(), 0);
}

TEST(WindowFromWorkers, StartWorkerHandsTheThreadItsOwnArgument) {
    std::atomic<bool> ran{false};
    std::thread::id workerThread;
    Text received;
    {
        Text argument("\xB9\xA6\xB7\xF2");
        StartWorker(
            [&](Text text) {
                received = std::move(text);
                workerThread = std::this_thread::get_id();
                ran = true;
            },
            argument);
        argument = Text("changed");  // the worker's copy is its own
    }
    ASSERT_TRUE(test::WaitUntil([&] { return ran.load(); }));
    EXPECT_EQ(received, Text("\xB9\xA6\xB7\xF2"));
    EXPECT_NE(workerThread, std::this_thread::get_id());
}

TEST(PauseWithEvents, RunsHandlersWhileItWaitsAndReturnsAfterTheTime) {
    bool handled = false;
    QTimer::singleShot(20, [&] { handled = true; });
    const auto start = std::chrono::steady_clock::now();
    PauseWithEvents(120);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(handled);
    EXPECT_GT(waited, std::chrono::milliseconds(120));
}

TEST(PauseWithEvents, ANestedPauseInsideAHandlerEndsBeforeTheOuterOne) {
    std::vector<std::string> order;
    QTimer::singleShot(10, [&] {
        order.push_back("inner start");
        PauseWithEvents(50);
        order.push_back("inner end");
    });
    PauseWithEvents(150);
    order.push_back("outer end");
    EXPECT_EQ(order, (std::vector<std::string>{"inner start", "inner end", "outer end"}));
}

TEST(PauseWithEvents, ZeroOrLessReturnsWithoutProcessingEvents) {
    for (int milliseconds : {0, -1, -1000}) {
        SCOPED_TRACE(milliseconds);
        bool handled = false;
        QTimer::singleShot(0, [&] { handled = true; });
        PauseWithEvents(milliseconds);
        EXPECT_FALSE(handled);
        QApplication::processEvents();
        EXPECT_TRUE(handled);
    }
}

TEST(PauseWithEvents, AButtonClickedDuringThePauseRunsItsHandlerInside) {
    Window window(TestAddresses(RefusedAddress("/gengxin/gengxin2.txt")));
    window.Start();
    auto* keyword = Find<QLineEdit>(window, u"编辑框1"_qs);
    QTimer::singleShot(10, [&] { QTest::keyClicks(keyword, u"x"_qs); });
    PauseWithEvents(80);
    EXPECT_EQ(window.GetText(Control::KeywordEdit), Text("\xB9\xA6\xB7\xF2\x32x"));
}

}  // namespace
}  // namespace talvex::app
