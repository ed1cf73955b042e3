#include "listloader.h"

#include <utility>

ListLoader::ListLoader(QObject *parent)
    : QObject(parent)
{
}

ListLoader::~ListLoader()
{
    if (reading.joinable())
        reading.join();
}

void ListLoader::start(const QString &path, const QStringList &groupNames,
                       CompleteFile completeFile)
{
    reading = std::thread([this, path, groupNames, completeFile = std::move(completeFile)] {
        read(path, groupNames, completeFile);
    });
}

void ListLoader::read(const QString &path, const QStringList &groupNames,
                      const CompleteFile &completeFile)
{
    ListFile::SameAsWritten check(path, groupNames);
    const ListFile::ReadStatus status =
        ListFile::read(path, int(groupNames.size()), [&](int group, EntryGroup &&rows) {
            check.add(group, rows);
            push(group, std::move(rows));
        });
    switch (status) {
    case ListFile::ReadStatus::Missing: return finish(Outcome::Missing);
    case ListFile::ReadStatus::Unreadable: return finish(Outcome::Unreadable);
    case ListFile::ReadStatus::Complete: break;
    }
    completeFile(check.holds());
    finish(Outcome::Complete);
}

void ListLoader::push(int group, EntryGroup &&rows)
{
    bool wasEmpty = false;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        wasEmpty = parts.empty();
        parts.emplace_back(group, std::move(rows));
    }
    changed.notify_one();
    // Only the first waiting part needs a call: the window takes what it
    // finds, and calls again itself while parts are left.
    if (wasEmpty)
        emit partsWaiting();
}

void ListLoader::finish(Outcome outcome)
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        result = outcome;
        finished = true;
    }
    changed.notify_one();
    emit partsWaiting();
}

ListLoader::Take ListLoader::takePart(int &group, EntryGroup &rows, bool wait)
{
    std::unique_lock<std::mutex> lock(mutex);
    if (wait)
        changed.wait(lock, [this] { return finished || !parts.empty(); });
    if (parts.empty())
        return finished ? Take::Finished : Take::NothingYet;
    group = parts.front().first;
    rows = std::move(parts.front().second);
    parts.pop_front();
    return Take::Part;
}

ListLoader::Outcome ListLoader::outcome() const
{
    const std::lock_guard<std::mutex> lock(mutex);
    return result;
}
