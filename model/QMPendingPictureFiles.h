#pragma once
// The files of a document's pictures while a worker writes them: the document's window shows at
// once, and whatever needs a picture's path (a save, an upload, the thumbnail maker) waits for it
// on its own thread. One set serves the local pictures of one listing, by position.
//
//     auto files = std::make_shared<QMPendingPictureFiles>(pictures.size(), writeUnlessStarted);
//     picture->setPendingFile(files, 0);                          // main thread
//     ... worker: files->finish(paths, error);
//     picture->imageFilePath();                                   // waits until then

#include <QString>
#include <QStringList>
#include <condition_variable>
#include <functional>
#include <mutex>

class QMPendingPictureFiles
{
public:
    // `writeNow` writes the files on the caller's thread unless their writing has started: a wait
    // never waits for work that nobody does.
    QMPendingPictureFiles(qsizetype count, std::function<void()> writeNow)
        : m_count(count), m_writeNow(std::move(writeNow))
    {}

    // The worker's end: a path per picture (null where none was written) and the reason of the
    // first failure (null when none failed).
    void finish(const QStringList& paths, const QString& error)
    {
        {
            std::lock_guard lock(m_mutex);
            m_paths = paths;
            m_error = error;
            m_finished = true;
        }
        m_finishedChanged.notify_all();
    }

    bool isFinished() const
    {
        std::lock_guard lock(m_mutex);
        return m_finished;
    }
    qsizetype count() const { return m_count; }

    // The file written for the picture at index, waiting for the worker; null when it wrote none.
    QString waitForPath(qsizetype index) const
    {
        if (m_writeNow)
            m_writeNow();
        std::unique_lock lock(m_mutex);
        m_finishedChanged.wait(lock, [this] { return m_finished; });
        return m_paths.value(index);
    }
    QString waitForError() const
    {
        if (m_writeNow)
            m_writeNow();
        std::unique_lock lock(m_mutex);
        m_finishedChanged.wait(lock, [this] { return m_finished; });
        return m_error;
    }

private:
    const qsizetype m_count;
    const std::function<void()> m_writeNow;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_finishedChanged;
    bool m_finished = false;
    QStringList m_paths;
    QString m_error;
};
