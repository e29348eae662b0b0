// The run of the checks over many files, and the save of their fixes.
#include "check_run.h"

#include "features/check/album_checks.h"
#include "features/check/check_fixes.h"
#include "features/check/file_checks.h"
#include "features/common/interrupted_saves.h"
#include "platform/file_system.h"
#include "platform/journal_files.h"

#include <algorithm>
#include <set>

std::vector<std::string> filesToCheck(const std::vector<std::string>& paths, bool subfolders,
                                      UnreadableFolders& unreadable)
{
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        if (!platform::directoryExists(path)) {
            files.push_back(path);
            continue;
        }
        const std::string folder = withSeparator(path);
        for (const std::string& name : listMp3Files(folder, subfolders, unreadable))
            files.push_back(folder + name);
    }
    return files;
}

std::vector<FileReport> checkFiles(const std::vector<std::string>& files, Tid3tag& v1, Tid3v2tag& v2,
                                   Progress& progress)
{
    std::set<std::string> interrupted;
    for (const std::string& path : interruptedSavePaths())
        interrupted.insert(platform::absolutePath(path));
    std::vector<FileReport> reports;
    std::vector<AlbumEntry> albums;
    reports.reserve(files.size());
    albums.reserve(files.size());
    progress.begin(files.size());
    for (const std::string& path : files) {
        if (progress.cancelled())
            break;
        progress.advance(reports.size(), path);
        FileFacts facts = readFileFacts(path, v1, v2);
        facts.interrupted = !interrupted.empty() && interrupted.count(platform::absolutePath(path)) > 0;
        FileReport& report = reports.emplace_back();
        report.path = path;
        checkTagHealth(facts, report);
        checkFields(facts, report);
        albums.push_back(albumEntryOf(facts, reports.size() - 1));
    }
    checkAlbums(albums, reports);
    return reports;
}

BatchSaveRequest fixRequest(const std::vector<FileReport>& reports, const std::function<bool(const Problem&)>& wanted)
{
    BatchSaveRequest request;
    request.recordForUndo = true;
    // Each file's own problems, in the order of the request's files.
    auto fixes = std::make_shared<std::vector<std::vector<Problem>>>();
    for (const FileReport& report : reports) {
        std::vector<Problem> chosen;
        for (const Problem& p : report.problems)
            if (p.fixable() && (!wanted || wanted(p)))
                chosen.push_back(p);
        if (chosen.empty())
            continue;
        request.repairDamaged |= std::any_of(chosen.begin(), chosen.end(), [](const Problem& p) {
            return p.kind->fix == fixes::repairDamagedTag;
        });
        request.files.push_back(report.path);
        fixes->push_back(std::move(chosen));
    }
    request.adjust = [fixes](std::size_t index, TagAdjustment& tags) {
        FixTarget target{tags.v1, tags.hasV1, tags.v2, tags.hasV2, false, false};
        std::set<FixFunction> done; // one resave serves every check that asks for it
        for (const Problem& p : (*fixes)[index])
            if ((p.fixValue.empty() ? done.insert(p.kind->fix).second : true) && p.kind->fix(target, p.fixValue))
                tags.changes.push_back(p.kind->fixText);
        tags.writeV1 = target.writeV1;
        tags.writeV2 = target.writeV2;
    };
    return request;
}

std::size_t fixableCount(const std::vector<FileReport>& reports)
{
    std::size_t n = 0;
    for (const FileReport& report : reports)
        for (const Problem& p : report.problems)
            n += p.fixable();
    return n;
}
