#include "app/window.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QEventLoop>
#include <QFont>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QMovie>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>

#include <unistd.h>

#include "app/flows/magnet.h"
#include "app/flows/page_navigation.h"
#include "app/flows/search.h"
#include "app/flows/update.h"
#include "text/codepage.h"
#include "text/primitives.h"

#if defined(__SANITIZE_THREAD__)
#define TALVEX_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TALVEX_TSAN 1
#endif
#endif
#if TALVEX_TSAN
#include <sanitizer/tsan_interface.h>
// The runtime's dynamic annotations, which its header does not declare.
extern "C" {
void AnnotateIgnoreReadsBegin(const char* file, int line);
void AnnotateIgnoreReadsEnd(const char* file, int line);
void AnnotateIgnoreWritesBegin(const char* file, int line);
void AnnotateIgnoreWritesEnd(const char* file, int line);
}
#endif

// The banner and the icon live in the static library's resources, which the linker would drop
// unless something refers to them.
static void InitTalvexResources() {
    Q_INIT_RESOURCE(talvex);
}

namespace talvex::app {

std::atomic<std::int32_t> CurrentPage{0};
Text SelectedRowUrl;

Addresses BuiltInAddresses() {
    return {TALVEX_SEARCH_BASE, TALVEX_UPDATE_URL, TALVEX_PUBLISHER_SITE, TALVEX_SHARE_PAGE};
}

namespace {

// Start texts and captions, GBK.
constexpr const char* kTitlePrefix = "Talvex\xA1\xAA";         // Talvex— (em dash, no spaces)
constexpr const char* kKeywordStart = "\xB9\xA6\xB7\xF2\x32";  // 功夫2
constexpr const char* kSearchCaption = "\xCB\xD1  \xCB\xF7";   // 搜  索 (two ASCII spaces)
constexpr const char* kAppendCaption = "\xBC\xD3\xC8\xEB\xCF\xC2\xD2\xBB\xD2\xB3";  // 加入下一页
constexpr const char* kNextPageCaption = "\xCF\xC2\xD2\xBB\xD2\xB3";                // 下一页
// 如果搜索后没有结果请点此
constexpr const char* kNoResultsHint =
    "\xC8\xE7\xB9\xFB\xCB\xD1\xCB\xF7\xBA\xF3\xC3\xBB\xD3\xD0\xBD\xE1\xB9\xFB\xC7\xEB\xB5\xE3\xB4"
    "\xCB";
// 请配合，讯雷、QQ旋风等下载工具
constexpr const char* kDownloadToolHint =
    "\xC7\xEB\xC5\xE4\xBA\xCF\xA3\xAC\xD1\xB6\xC0\xD7\xA1\xA2QQ\xD0\xFD\xB7\xE7\xB5\xC8\xCF\xC2"
    "\xD4\xD8\xB9\xA4\xBE\xDF";
constexpr const char* kUpdateCaption = "\xB0\xB4\xC5\xA5";  // 按钮
constexpr const char* kNewVersionCaption =                  // 新版下载地址：
    "\xD0\xC2\xB0\xE6\xCF\xC2\xD4\xD8\xB5\xD8\xD6\xB7\xA3\xBA";

// The outer size the window opens with, frame included where the platform draws one.
constexpr QSize kOuterSize(516, 587);
constexpr int kColumnWidth = 200;
// Rows appended by workers reach the view at most this often: one repaint per batch instead
// of one per call keeps a row's cost flat however fast a worker appends.
constexpr int kRowPublishMilliseconds = 15;

// The CJK families the window asks for are rarely installed on Linux; these render them.
const QStringList kCjkFallbacks = {QStringLiteral("WenQuanYi Zen Hei"),
                                   QStringLiteral("Noto Sans CJK SC"),
                                   QStringLiteral("Noto Sans CJK")};

QString ToQString(const Text& text) {
    const WideBytes wide = ToWide(text, kCodePageGbk);
    const auto units = static_cast<qsizetype>(wide.size() / 2);
    QString result(units > 0 ? units - 1 : 0, Qt::Uninitialized);  // without the final zero unit
    std::memcpy(result.data(), wide.data(), static_cast<std::size_t>(result.size()) * 2);
    return result;
}

Text FromQString(const QString& text) {
    if (text.isEmpty()) {
        return {};
    }
    return WideToGbk(
        std::u16string_view(QStringView(text).utf16(), static_cast<std::size_t>(text.size())));
}

// A label whose left-button press (not release) runs a handler.
class PressLabel final : public QLabel {
  public:
    explicit PressLabel(QWidget* parent) : QLabel(parent) {}
    std::function<void()> onLeftPress;

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        QLabel::mousePressEvent(event);
        if (event->button() == Qt::LeftButton && onLeftPress) {
            onLeftPress();
        }
    }
};

// The rows of the results list, GBK exactly as set. Rows that workers append are published to
// the view in batches; rows and cells set on the window thread are published at once.
class ResultTableModel final : public QAbstractTableModel {
  public:
    enum class Publish { Now, Soon };

    explicit ResultTableModel(QObject* parent) : QAbstractTableModel(parent) {
        m_publishTimer.setSingleShot(true);
        m_publishTimer.setInterval(kRowPublishMilliseconds);
        QObject::connect(&m_publishTimer, &QTimer::timeout, this, [this] { PublishPending(); });
    }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : m_shownRows;
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : kColumns;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_shownRows) {
            return {};
        }
        return ToQString(m_rows[static_cast<std::size_t>(index.row())]
                               [static_cast<std::size_t>(index.column())]);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
            return {};
        }
        return section == 0 ? QStringLiteral(u"标题") : QStringLiteral(u"下站地址");
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    int Append(Publish publish) {
        m_rows.emplace_back();
        Schedule(publish);
        return static_cast<int>(m_rows.size()) - 1;
    }
    void Set(int row, int column, const Text& text, Publish publish) {
        if (!Contains(row, column)) {
            return;
        }
        m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
        if (row < m_shownRows) {
            m_dirtyFirst = std::min(m_dirtyFirst, row);
            m_dirtyLast = std::max(m_dirtyLast, row);
        }
        Schedule(publish);
    }
    [[nodiscard]] Text Get(int row, int column) const {
        return Contains(row, column)
                   ? m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)]
                   : Text();
    }
    void Clear() {
        m_publishTimer.stop();
        beginResetModel();
        m_rows.clear();
        m_shownRows = 0;
        m_dirtyFirst = kNoDirtyRow;
        m_dirtyLast = -1;
        endResetModel();
    }

  private:
    static constexpr int kColumns = 2;
    static constexpr int kNoDirtyRow = std::numeric_limits<int>::max();

    [[nodiscard]] bool Contains(int row, int column) const {
        return row >= 0 && static_cast<std::size_t>(row) < m_rows.size() && column >= 0 &&
               column < kColumns;
    }
    void Schedule(Publish publish) {
        if (publish == Publish::Now) {
            m_publishTimer.stop();
            PublishPending();
        } else if (!m_publishTimer.isActive()) {
            m_publishTimer.start();
        }
    }
    void PublishPending() {
        const int total = static_cast<int>(m_rows.size());
        if (total > m_shownRows) {
            beginInsertRows({}, m_shownRows, total - 1);
            m_shownRows = total;
            endInsertRows();
        }
        if (m_dirtyFirst <= m_dirtyLast) {
            const int first = m_dirtyFirst;
            const int last = m_dirtyLast;
            m_dirtyFirst = kNoDirtyRow;
            m_dirtyLast = -1;
            emit dataChanged(index(first, 0), index(last, kColumns - 1), {Qt::DisplayRole});
        }
    }

    std::vector<std::array<Text, kColumns>> m_rows;
    int m_shownRows = 0;  // the rows the view knows of
    int m_dirtyFirst = kNoDirtyRow;
    int m_dirtyLast = -1;
    QTimer m_publishTimer;
};

// Paints the selection only while the list has the focus.
class FocusSelectionDelegate final : public QStyledItemDelegate {
  public:
    FocusSelectionDelegate(QWidget* view, QObject* parent)
        : QStyledItemDelegate(parent), m_view(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem shown(option);
        if (!m_view->hasFocus()) {
            shown.state &= ~QStyle::State_Selected;
        }
        shown.state &= ~QStyle::State_MouseOver;  // no hot tracking
        QStyledItemDelegate::paint(painter, shown, index);
    }

  private:
    QWidget* m_view;
};

// The report-style results list.
class ResultListView final : public QTableView {
  public:
    explicit ResultListView(QWidget* parent) : QTableView(parent) {}
    std::function<void()> onDoubleClick;

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        // A press below the last row deselects, as in a report list.
        if (!indexAt(event->position().toPoint()).isValid()) {
            clearSelection();
        }
        QTableView::mousePressEvent(event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        QTableView::mouseDoubleClickEvent(event);
        if (event->button() == Qt::LeftButton && onDoubleClick) {
            onDoubleClick();
        }
    }
    void focusInEvent(QFocusEvent* event) override {
        QTableView::focusInEvent(event);
        viewport()->update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        QTableView::focusOutEvent(event);
        viewport()->update();
    }
};

void InstallFontSubstitutions() {
    QFont::insertSubstitutions(QStringLiteral(u"微软雅黑"), kCjkFallbacks);
    QFont::insertSubstitutions(QStringLiteral(u"宋体"), kCjkFallbacks);
}

QPalette RedTextPalette(QPalette palette) {
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    return palette;
}

// Hides the selection of an edit box or list while the window is inactive too.
QPalette HiddenInactiveSelection(QPalette palette) {
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Inactive, QPalette::Base));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Inactive, QPalette::Text));
    return palette;
}

// Qt's blocking queued call synchronises inside Qt with primitives ThreadSanitizer cannot see.
// The worker's side of the call (Qt making, posting and freeing the call object) is hidden from
// it, and the hand-over of our own data is announced explicitly: the worker releases before the
// call and acquires after it; the window thread acquires before running it and releases after.
#if TALVEX_TSAN
void AnnounceHandOver(const void* call) {
    __tsan_release(const_cast<void*>(call));
}
void AcceptHandOver(const void* call) {
    __tsan_acquire(const_cast<void*>(call));
}
struct HiddenFromThreadSanitizer {
    HiddenFromThreadSanitizer() {
        AnnotateIgnoreReadsBegin(__FILE__, __LINE__);
        AnnotateIgnoreWritesBegin(__FILE__, __LINE__);
    }
    ~HiddenFromThreadSanitizer() {
        AnnotateIgnoreWritesEnd(__FILE__, __LINE__);
        AnnotateIgnoreReadsEnd(__FILE__, __LINE__);
    }
};
#else
void AnnounceHandOver(const void*) {}
void AcceptHandOver(const void*) {}
struct HiddenFromThreadSanitizer {};
#endif

}  // namespace

// The top-level widget with every control at its fixed place.
class MainWindowWidget final : public QWidget {
  public:
    MainWindowWidget() {
        setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                       Qt::WindowCloseButtonHint);
        QPalette face = palette();
        face.setColor(QPalette::Window, face.color(QPalette::Button));
        setPalette(face);
        setAutoFillBackground(true);
        setWindowIcon(QIcon(QStringLiteral(":/talvex/icon.png")));
        resize(kOuterSize);
    }

    std::array<QWidget*, 12> controls{};
    QLineEdit* keywordEdit = nullptr;
    QLineEdit* newVersionEdit = nullptr;
    ResultListView* resultList = nullptr;
    ResultTableModel* resultRows = nullptr;
    PressLabel* noResultsHint = nullptr;
    PressLabel* banner = nullptr;
    QMovie* bannerMovie = nullptr;

    QWidget* At(Control control) const { return controls[static_cast<std::size_t>(control)]; }

    // Sizes the window so that its outer rectangle, frame included, is kOuterSize, and centres
    // that rectangle on the screen. Without a frame the window itself takes the outer size.
    void FitAndCentre() {
        const QRect frame = frameGeometry();
        const QRect inner = geometry();
        const QSize margins(frame.width() - inner.width(), frame.height() - inner.height());
        resize(kOuterSize - margins);
        if (const QScreen* shown = screen()) {
            const QRect area = shown->geometry();
            move(area.x() + (area.width() - kOuterSize.width()) / 2,
                 area.y() + (area.height() - kOuterSize.height()) / 2);
        }
    }

  protected:
    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        // The frame is known only once the window manager has decorated the window.
        QTimer::singleShot(0, this, [this] { FitAndCentre(); });
    }
};

namespace {

// Runs `call` on the widget's thread and returns its result: directly when already there (a
// blocking queued call to the own thread would deadlock), else as a blocking queued call.
template <typename Call>
auto OnWindowThread(QObject& widget, Call call) -> std::invoke_result_t<Call&> {
    using Result = std::invoke_result_t<Call&>;
    if (QThread::currentThread() == widget.thread()) {
        return call();
    }
    std::conditional_t<std::is_void_v<Result>, int, Result> result{};
    int handOver = 0;
    auto onWindowThread = [&] {
        AcceptHandOver(&handOver);
        if constexpr (std::is_void_v<Result>) {
            call();
        } else {
            result = call();
        }
        AnnounceHandOver(&handOver);
    };
    AnnounceHandOver(&handOver);
    {
        [[maybe_unused]] const HiddenFromThreadSanitizer hidden;
        QMetaObject::invokeMethod(&widget, onWindowThread, Qt::BlockingQueuedConnection);
    }
    AcceptHandOver(&handOver);
    if constexpr (!std::is_void_v<Result>) {
        return result;
    }
}

ResultTableModel::Publish PublishFor(const QObject& widget) {
    return QThread::currentThread() == widget.thread() ? ResultTableModel::Publish::Now
                                                       : ResultTableModel::Publish::Soon;
}

template <typename Widget>
Widget* Place(MainWindowWidget& window, Control control, const char16_t* recordName, int x, int y,
              int width, int height) {
    auto* widget = new Widget(&window);
    widget->setObjectName(QString::fromUtf16(recordName));
    widget->setGeometry(x, y, width, height);
    window.controls[static_cast<std::size_t>(control)] = widget;
    return widget;
}

QPushButton* PlaceButton(MainWindowWidget& window, Control control, const char16_t* recordName,
                         int x, int y, int width, int height, const char* caption) {
    auto* button = Place<QPushButton>(window, control, recordName, x, y, width, height);
    button->setText(ToQString(caption));
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QLineEdit* PlaceEdit(MainWindowWidget& window, Control control, const char16_t* recordName, int x,
                     int y, int width, int height) {
    auto* edit = Place<QLineEdit>(window, control, recordName, x, y, width, height);
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    edit->setPalette(HiddenInactiveSelection(edit->palette()));
    return edit;
}

template <typename Label = QLabel>
Label* PlaceTransparentLabel(MainWindowWidget& window, Control control, const char16_t* recordName,
                             int x, int y, int width, int height, Qt::Alignment alignment) {
    auto* label = Place<Label>(window, control, recordName, x, y, width, height);
    // Plain text without a buddy: an ampersand is shown as itself, never as a mnemonic.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment);
    label->setAutoFillBackground(false);
    label->setPalette(RedTextPalette(label->palette()));
    return label;
}

void BuildControls(MainWindowWidget& w) {
    w.keywordEdit = PlaceEdit(w, Control::KeywordEdit, u"编辑框1", 95, 56, 240, 32);
    QFont keywordFont(QStringLiteral(u"微软雅黑"));
    keywordFont.setPixelSize(16);
    keywordFont.setWeight(QFont::Normal);
    w.keywordEdit->setFont(keywordFont);
    w.keywordEdit->setText(ToQString(kKeywordStart));

    PlaceButton(w, Control::SearchButton, u"按钮1", 351, 56, 80, 32, kSearchCaption);

    w.resultList = Place<ResultListView>(w, Control::ResultList, u"超级列表框1", 16, 177, 480, 280);
    w.resultRows = new ResultTableModel(w.resultList);
    ResultListView& list = *w.resultList;
    list.setModel(w.resultRows);
    list.setItemDelegate(new FocusSelectionDelegate(&list, &list));
    list.setSelectionBehavior(QAbstractItemView::SelectRows);
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    list.setEditTriggers(QAbstractItemView::NoEditTriggers);
    list.setShowGrid(true);
    list.setWordWrap(false);
    list.setTabKeyNavigation(false);
    list.setSortingEnabled(false);
    list.setMouseTracking(false);
    list.setPalette(HiddenInactiveSelection(list.palette()));
    QHeaderView& rows = *list.verticalHeader();
    rows.hide();
    rows.setMinimumSectionSize(1);
    rows.setSectionResizeMode(QHeaderView::Fixed);  // uniform heights keep appends cheap
    rows.setDefaultSectionSize(list.fontMetrics().height() + 4);
    QHeaderView& columns = *list.horizontalHeader();
    columns.setSectionsClickable(true);
    columns.setSectionsMovable(true);
    columns.setHighlightSections(false);
    columns.setSortIndicatorShown(false);
    columns.setStretchLastSection(false);
    columns.setSectionResizeMode(QHeaderView::Interactive);
    columns.setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns.resizeSection(0, kColumnWidth);
    columns.resizeSection(1, kColumnWidth);

    PlaceTransparentLabel(w, Control::StatusLabel, u"透明标签1", 123, 120, 232, 24,
                          Qt::AlignCenter);

    PlaceButton(w, Control::AppendButton, u"按钮2", 400, 470, 80, 32, kAppendCaption);
    PlaceButton(w, Control::NextPageButton, u"按钮3", 309, 470, 80, 32, kNextPageCaption);

    w.noResultsHint =
        PlaceTransparentLabel<PressLabel>(w, Control::NoResultsHint, u"透明标签2", 16, 472, 184, 32,
                                          Qt::AlignLeft | Qt::AlignVCenter);
    QFont hintFont(QStringLiteral(u"宋体"));
    hintFont.setPixelSize(12);
    hintFont.setWeight(QFont::Normal);
    hintFont.setUnderline(true);
    w.noResultsHint->setFont(hintFont);
    w.noResultsHint->setText(ToQString(kNoResultsHint));

    PlaceTransparentLabel(w, Control::DownloadToolHint, u"透明标签3", 144, 16, 232, 24,
                          Qt::AlignLeft | Qt::AlignVCenter)
        ->setText(ToQString(kDownloadToolHint));

    PlaceButton(w, Control::UpdateButton, u"按钮4", 440, 64, 48, 24, kUpdateCaption)->hide();

    w.newVersionEdit = PlaceEdit(w, Control::NewVersionEdit, u"编辑框2", 112, 112, 376, 24);
    w.newVersionEdit->hide();

    auto* caption = Place<QLabel>(w, Control::NewVersionCaption, u"标签1", 24, 112, 80, 24);
    caption->setTextFormat(Qt::PlainText);
    caption->setText(ToQString(kNewVersionCaption));
    caption->hide();

    w.banner = Place<PressLabel>(w, Control::Banner, u"图片框10", -8, 512, 520, 40);
    w.banner->setScaledContents(true);
    w.bannerMovie = new QMovie(QStringLiteral(":/talvex/banner.gif"), QByteArray(), w.banner);
    w.bannerMovie->setCacheMode(QMovie::CacheAll);
    w.banner->setMovie(w.bannerMovie);
    w.bannerMovie->start();
}

}  // namespace

Window::Window(Addresses addresses)
    : m_addresses(std::move(addresses)), m_widget(std::make_unique<MainWindowWidget>()) {
    InitTalvexResources();
    InstallFontSubstitutions();
    MainWindowWidget& w = *m_widget;
    BuildControls(w);
    w.setWindowTitle(ToQString(ConcatText(Text(kTitlePrefix), m_addresses.publisherSite)));

    auto button = [&w](Control control) { return static_cast<QPushButton*>(w.At(control)); };
    QObject::connect(button(Control::SearchButton), &QPushButton::clicked, &w,
                     [this] { StartWorker([this](const Text&) { SearchFirstPage(*this); }); });
    QObject::connect(button(Control::NextPageButton), &QPushButton::clicked, &w,
                     [this] { NextPage(*this); });
    QObject::connect(button(Control::AppendButton), &QPushButton::clicked, &w,
                     [this] { AppendNextPage(*this); });
    QObject::connect(button(Control::UpdateButton), &QPushButton::clicked, &w,
                     [this] { CheckForUpdate(*this); });
    w.noResultsHint->onLeftPress = [this] { AppendNextPage(*this); };
    w.resultList->onDoubleClick = [this] { OnResultDoubleClicked(*this); };
    w.banner->onLeftPress = [this] { OpenBannerLinks(m_addresses); };
}

Window::~Window() = default;

QWidget& Window::widget() {
    return *m_widget;
}

void Window::Start() {
    CheckForUpdate(*this);
    m_widget->FitAndCentre();
    m_widget->show();
}

void Window::SetText(Control control, const Text& text) {
    OnWindowThread(*m_widget, [&] {
        QWidget* target = m_widget->At(control);
        const QString shown = ToQString(text);
        if (auto* edit = qobject_cast<QLineEdit*>(target)) {
            edit->setText(shown);
        } else if (auto* label = qobject_cast<QLabel*>(target);
                   label && control != Control::Banner) {
            label->setText(shown);
        } else if (auto* button = qobject_cast<QPushButton*>(target)) {
            button->setText(shown);
        }
    });
}

Text Window::GetText(Control control) {
    return OnWindowThread(*m_widget, [&] {
        QWidget* target = m_widget->At(control);
        if (auto* edit = qobject_cast<QLineEdit*>(target)) {
            return FromQString(edit->text());
        }
        if (auto* label = qobject_cast<QLabel*>(target); label && control != Control::Banner) {
            return FromQString(label->text());
        }
        if (auto* button = qobject_cast<QPushButton*>(target)) {
            return FromQString(button->text());
        }
        return Text();
    });
}

void Window::SetVisible(Control control, bool visible) {
    OnWindowThread(*m_widget, [&] { m_widget->At(control)->setVisible(visible); });
}

void Window::ClearRows() {
    OnWindowThread(*m_widget, [&] { m_widget->resultRows->Clear(); });
}

int Window::AppendRow() {
    const auto publish = PublishFor(*m_widget);
    return OnWindowThread(*m_widget, [&] { return m_widget->resultRows->Append(publish); });
}

void Window::SetCell(int row, int column, const Text& text) {
    const auto publish = PublishFor(*m_widget);
    OnWindowThread(*m_widget, [&] { m_widget->resultRows->Set(row, column, text, publish); });
}

Text Window::GetCell(int row, int column) {
    return OnWindowThread(*m_widget, [&] { return m_widget->resultRows->Get(row, column); });
}

int Window::SelectedRow() {
    return OnWindowThread(*m_widget, [&] {
        const QModelIndexList selected = m_widget->resultList->selectionModel()->selectedRows();
        return selected.isEmpty() ? -1 : selected.first().row();
    });
}

void EndProcess() {
    SelectedRowUrl = Text();
    std::fflush(nullptr);
    _exit(0);
}

void EndProcessWhenLastWindowCloses() {
    QObject::connect(qApp, &QGuiApplication::lastWindowClosed, qApp, [] { EndProcess(); });
}

void StartWorker(std::function<void(Text)> routine, Text argument) {
    try {
        std::thread([routine = std::move(routine), argument = std::move(argument)]() mutable {
            routine(std::move(argument));
        }).detach();
    } catch (const std::system_error&) {
        // A worker that cannot be started is ignored, like any other failure of the tool.
    }
}

void PauseWithEvents(int milliseconds) {
    if (milliseconds <= 0) {
        return;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    QEventLoop loop;
    QTimer wakeUp;
    wakeUp.setSingleShot(true);
    wakeUp.setTimerType(Qt::PreciseTimer);
    // A timer may fire a little early; it re-arms until the deadline has strictly passed.
    QObject::connect(&wakeUp, &QTimer::timeout, &loop, [&] {
        const Clock::time_point now = Clock::now();
        if (now > deadline) {
            loop.quit();
            return;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        wakeUp.start(static_cast<int>(left.count()) + 1);
    });
    wakeUp.start(milliseconds + 1);
    loop.exec();
}

}  // namespace talvex::app
