// The tag table over 100,000 synthetic records: open, scroll to the end, sort by artist.
#include "bench_util.h"

#include "ui/tag_table_model.h"
#include "ui/tag_table_view.h"

#include <QApplication>
#include <QScrollBar>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Records made up from the path alone, as an index would hand them over without a file read.
class SyntheticSource : public TableRecordSource {
public:
    std::vector<TableRecord> load(const std::vector<std::string>& paths, const std::vector<TableColumn>& columns) override
    {
        std::vector<TableRecord> records;
        records.reserve(paths.size());
        for (const std::string& path : paths) {
            const unsigned n = static_cast<unsigned>(std::strtoul(path.c_str() + path.rfind('/') + 1, nullptr, 10));
            TableRecord record{path, {}, false};
            for (const TableColumn& column : columns)
                record.values[column.name] = column.name + " " + std::to_string(n * 7919u % 10007u);
            records.push_back(std::move(record));
        }
        return records;
    }
};

void settle(QTableView& view)
{
    QApplication::processEvents();
    view.viewport()->repaint();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::size_t rows = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < rows; ++i)
        names.push_back(std::to_string(i) + ".mp3");
    std::vector<std::string> unknown;
    for (int round = 0; round < 3; ++round) {
        TagTableModel model(std::make_shared<SyntheticSource>());
        model.setColumns(tableColumns("artist, title, album, year, genre, comment, track", unknown));
        TagTableView view;
        view.resize(800, 600);
        view.setModel(&model);
        view.show();
        bench::Stopwatch open;
        model.showFiles("/music/", names);
        settle(view);
        const double shown = open.seconds();
        while (model.loading())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        settle(view);
        const double loaded = open.seconds();
        bench::Stopwatch scroll;
        view.scrollToBottom();
        settle(view);
        const double scrolled = scroll.seconds();
        bench::Stopwatch sort;
        model.sort(2);
        settle(view);
        const double sorted = sort.seconds();
        std::printf("%zu rows: shown %.3f s, every record loaded %.3f s, scrolled to the end %.3f s, "
                    "sorted by artist %.3f s\n", rows, shown, loaded, scrolled, sorted);
    }
    return 0;
}
