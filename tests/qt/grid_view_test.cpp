// The grid view over a FlexGrid of its own: geometry shared with the model, scrolling by
// the user and by the program, hit testing, and painting straight from the model.
#include "ui/qt/grid_view.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <string>

namespace {

using namespace quorvane;

constexpr int kTwips = 15;

class GridViewTest : public ::testing::Test {
 protected:
  GridViewTest() {
    grid.setCols(4);
    for (int c = 0; c < 4; ++c) grid.setColWidth(c, 100 * kTwips);
    grid.setTextMatrix(0, 0, "Name");
    place(300, 200);
    view.setClickHandler([this] { ++clicks; });
    view.setDblClickHandler([this] { ++dblClicks; });
    view.setScrollHandler([this] { ++scrolls; });
    parent.resize(400, 300);
    parent.show();
  }
  void place(float width, float height) {
    grid.setLeft(10);
    grid.setTop(20);
    grid.setWidth(width);
    grid.setHeight(height);
  }
  void addRows(int n) {
    grid.setRedraw(false);
    for (int i = 1; i <= n; ++i) grid.AddItem("row " + std::to_string(i));
    grid.setRedraw(true);
  }
  void wheel(int degreesTimesEight) {
    const QPointF at(5, 30);
    QWheelEvent event(at, view.viewport()->mapToGlobal(at), {}, QPoint(0, degreesTimesEight),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &event);
  }
  QImage image() { return view.viewport()->grab().toImage(); }
  QPoint inside(int row, int col) { return view.cellRect(row, col).topLeft() + QPoint(1, 1); }

  QWidget parent;
  FlexGrid grid{kTwips, kTwips};
  GridView view{grid, parent};
  int clicks = 0, dblClicks = 0, scrolls = 0;
};

TEST_F(GridViewTest, FollowsThePlaceTheModelIsGiven) {
  EXPECT_EQ(view.geometry(), QRect(10, 20, 300, 200));
  grid.setLeft(12.6f);
  grid.setWidth(250.4f);
  EXPECT_EQ(view.geometry(), QRect(13, 20, 250, 200));
}

TEST_F(GridViewTest, ViewportIsTheModelsViewport) {
  EXPECT_EQ(view.frameWidth(), grid.borderPixels());
  EXPECT_EQ(view.verticalScrollBar()->width(), grid.scrollBarPixels());
  EXPECT_EQ(view.horizontalScrollBar()->height(), grid.scrollBarPixels());
  for (const QSize size : {QSize(300, 200), QSize(539, 385), QSize(60, 50)}) {
    place(static_cast<float>(size.width()), static_cast<float>(size.height()));
    EXPECT_EQ(view.viewport()->size(), QSize(grid.viewportWidth(), grid.viewportHeight()))
        << size.width();
  }
}

TEST_F(GridViewTest, ScrollBarsShowEvenWithNothingToScroll) {
  EXPECT_TRUE(view.verticalScrollBar()->isVisible());
  EXPECT_TRUE(view.horizontalScrollBar()->isVisible());
}

TEST_F(GridViewTest, BarsFollowTheModelAndAProgramScrollIsNoUserScroll) {
  addRows(100);
  EXPECT_EQ(view.verticalScrollBar()->minimum(), 1);
  EXPECT_EQ(view.verticalScrollBar()->maximum(), grid.maxTopRow());
  grid.setTopRow(50);
  grid.setLeftCol(1);
  EXPECT_EQ(view.verticalScrollBar()->value(), 50);
  EXPECT_EQ(view.horizontalScrollBar()->value(), 1);
  EXPECT_EQ(view.horizontalScrollBar()->maximum(), grid.maxLeftCol());
  EXPECT_EQ(scrolls, 0);
}

TEST_F(GridViewTest, WheelScrollsWholeRowsAndTellsTheFormOnce) {
  addRows(100);
  wheel(-120);
  EXPECT_EQ(grid.TopRow(), 4);  // three rows a notch
  EXPECT_EQ(view.verticalScrollBar()->value(), 4);
  EXPECT_EQ(scrolls, 1);
  wheel(120);
  EXPECT_EQ(grid.TopRow(), 1);
  EXPECT_EQ(scrolls, 2);
}

TEST_F(GridViewTest, WheelAtTheTopMovesNothingAndTellsNothing) {
  addRows(100);
  wheel(120);
  EXPECT_EQ(grid.TopRow(), 1);
  EXPECT_EQ(scrolls, 0);
}

TEST_F(GridViewTest, ScrollBarMovesSetTopRowAndLeftCol) {
  addRows(100);
  view.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  // A page is the rows that fit wholly below the header.
  const int page = (grid.viewportHeight() - 20) / 20;
  EXPECT_EQ(grid.TopRow(), 1 + page);
  view.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(grid.LeftCol(), 1);
  EXPECT_EQ(scrolls, 2);
}

TEST_F(GridViewTest, KeysScrollTheViewAndLeaveTheCurrentCell) {
  addRows(100);
  grid.setRow(5);
  grid.setCol(2);
  view.setFocus();
  QTest::keyClick(&view, Qt::Key_Down);
  EXPECT_EQ(grid.TopRow(), 2);
  QTest::keyClick(&view, Qt::Key_End);
  EXPECT_EQ(grid.TopRow(), grid.maxTopRow());
  QTest::keyClick(&view, Qt::Key_Home);
  EXPECT_EQ(grid.TopRow(), 1);
  QTest::keyClick(&view, Qt::Key_Right);
  EXPECT_EQ(grid.LeftCol(), 1);
  EXPECT_EQ(scrolls, 4);
  EXPECT_EQ(grid.Row(), 5);
  EXPECT_EQ(grid.Col(), 2);
}

TEST_F(GridViewTest, PressMakesTheCellCurrentAndReleaseClicks) {
  addRows(10);
  grid.setTopRow(1);
  EXPECT_EQ(view.cellRect(3, 2), QRect(200, 60, 100, 20));
  const QPoint cell = view.cellRect(3, 2).center();
  QTest::mousePress(view.viewport(), Qt::LeftButton, {}, cell);
  EXPECT_EQ(grid.Row(), 3);
  EXPECT_EQ(grid.Col(), 2);
  EXPECT_EQ(clicks, 0);
  QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, cell);
  EXPECT_EQ(clicks, 1);
}

TEST_F(GridViewTest, ClickOnTheHeaderMakesRowZeroCurrent) {
  addRows(10);
  grid.setRow(4);
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(150, 5));
  EXPECT_EQ(grid.Row(), 0);
  EXPECT_EQ(grid.Col(), 1);
  EXPECT_EQ(clicks, 1);
}

TEST_F(GridViewTest, ClicksFindTheirCellAfterScrollingAndPastHiddenColumns) {
  addRows(50);
  grid.setColWidth(1, 0);
  grid.setTopRow(10);
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(120, 25));
  EXPECT_EQ(grid.Row(), 10);
  EXPECT_EQ(grid.Col(), 2);  // column 1 has no width: the next one starts at 100
}

TEST_F(GridViewTest, ClicksOutsideTheCellsDoNothing) {
  addRows(2);
  grid.setRow(1);
  grid.setCol(0);
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(50, 20 * 3 + 5));  // below row 2
  QTest::mouseClick(view.viewport(), Qt::RightButton, {}, QPoint(50, 25));
  EXPECT_EQ(grid.Row(), 1);
  EXPECT_EQ(clicks, 0);
}

TEST_F(GridViewTest, DoubleClickRaisesDblClickWithoutASecondClick) {
  addRows(5);
  const QPoint cell = view.cellRect(2, 0).center();
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cell);
  QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, cell);
  QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, cell);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(dblClicks, 1);
  EXPECT_EQ(grid.Row(), 2);
}

TEST_F(GridViewTest, PaintsEachCellsColoursFromTheModel) {
  addRows(3);
  grid.setRow(2);
  grid.setCol(1);
  grid.setCellBackColor(0x0000FF);  // &H00BBGGRR: red
  const QImage painted = image();
  EXPECT_EQ(painted.pixelColor(inside(2, 1)), QColor(255, 0, 0));
  EXPECT_EQ(painted.pixelColor(inside(2, 2)), QColor(255, 255, 255));
  EXPECT_EQ(painted.pixelColor(inside(0, 1)), QColor(240, 240, 240));
  // Below the last row lies the grid's empty area.
  EXPECT_EQ(painted.pixelColor(inside(4, 0)), QColor(128, 128, 128));
}

TEST_F(GridViewTest, PaintsWhatTheModelHoldsNow) {
  addRows(3);
  const QImage before = image();
  grid.setTextMatrix(1, 0, "a much longer text than before");
  EXPECT_NE(image(), before);
  grid.setTextMatrix(1, 0, "row 1");
  EXPECT_EQ(image(), before);
}

TEST_F(GridViewTest, TextIsClippedToItsCell) {
  grid.setCols(1);
  addRows(1);
  grid.setTextMatrix(1, 0, std::string(200, 'W'));
  const QImage painted = image();
  // Right of the only column lies the empty area, painted before the cells.
  const QRect cell = view.cellRect(1, 0);
  for (int x = cell.right() + 1; x < grid.viewportWidth(); ++x) {
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
      ASSERT_EQ(painted.pixelColor(x, y), QColor(128, 128, 128)) << x << "," << y;
    }
  }
}

TEST_F(GridViewTest, AHundredThousandRowsScrollToTheLastOne) {
  addRows(100'000);
  EXPECT_EQ(view.verticalScrollBar()->maximum(), grid.maxTopRow());
  view.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(grid.TopRow(), grid.maxTopRow());
  grid.setRow(100'000);
  grid.setCol(0);
  grid.setCellBackColor(0x0000FF);
  EXPECT_TRUE(grid.RowIsVisible(100'000));
  EXPECT_EQ(image().pixelColor(inside(100'000, 0)), QColor(255, 0, 0));
}

TEST_F(GridViewTest, TheHeaderStaysInPlaceWhenScrolled) {
  addRows(100);
  grid.setTopRow(40);
  EXPECT_EQ(view.cellRect(0, 0).top(), 0);
  EXPECT_EQ(view.cellRect(40, 0).top(), 20);
  EXPECT_EQ(view.cellRect(39, 0).top(), 0);
}

TEST_F(GridViewTest, CellRectsMatchTheModelsCellPlaces) {
  addRows(30);
  grid.setTopRow(5);
  grid.setLeftCol(1);
  grid.setRow(7);
  grid.setCol(3);
  const QRect cell = view.cellRect(7, 3);
  // The model counts from the grid's outer corner, border included.
  EXPECT_EQ(cell.left() + grid.borderPixels(), grid.CellLeft() / kTwips);
  EXPECT_EQ(cell.top() + grid.borderPixels(), grid.CellTop() / kTwips);
  EXPECT_EQ(cell.width(), grid.CellWidth() / kTwips);
  EXPECT_EQ(cell.height(), grid.CellHeight() / kTwips);
}

}  // namespace
