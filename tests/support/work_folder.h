#pragma once
// What most tests start from: the example chart, and a fresh folder that is
// the current directory while the test runs.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <string>

namespace testsupport {

inline const std::string exampleChart =
    "Weekly Output\nWeek\nUnits\n5\n1,120\n2,135\n3,128\n4,150\n5,162\n"
    "W1,W1,W2,W3,W4,\"W5, late\",W6,W7\n";

// Where tests keep their files: the caller's TMPDIR when it names a folder
// that can be written (Qt gives an empty path for one that is not there), else /tmp.
inline QString scratchFolder()
{
    const QFileInfo caller(QDir::tempPath());
    return !caller.filePath().isEmpty() && caller.isDir() && caller.isWritable() ? caller.filePath() : "/tmp";
}

class WorkFolder {
public:
    WorkFolder() { QDir::setCurrent(dir_.path()); }
    ~WorkFolder() { QDir::setCurrent(previous_); }

    QString path(const QString& name = {}) const { return name.isEmpty() ? dir_.path() : dir_.filePath(name); }
    // Writes the bytes to a file in the folder, making folders on the way.
    void write(const QString& name, const std::string& bytes) const
    {
        QDir(dir_.path()).mkpath(QFileInfo(path(name)).path());
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
            throw std::runtime_error("cannot write " + name.toStdString());
    }

private:
    QString previous_ = QDir::currentPath();
    QTemporaryDir dir_{scratchFolder() + "/chartviewer-test-XXXXXX"};
};

// A form built and loaded in a folder that holds the chart file.
template <class Form>
std::unique_ptr<Form> loaded(const std::string& chart)
{
    WorkFolder folder;
    folder.write("chart.dat", chart);
    auto form = std::make_unique<Form>();
    form->load();
    return form;
}

}  // namespace testsupport
