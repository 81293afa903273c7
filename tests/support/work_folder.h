#pragma once
// What most tests start from: the example chart, and a fresh folder that is
// the current directory while the test runs.
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>

namespace testsupport {

inline const std::string exampleChart =
    "Weekly Output\nWeek\nUnits\n5\n1,120\n2,135\n3,128\n4,150\n5,162\n"
    "W1,W1,W2,W3,W4,\"W5, late\",W6,W7\n";

// Where tests keep their files: the caller's TMPDIR when it names a folder
// that can be written, else /tmp.
inline std::string scratchFolder()
{
    const char* caller = std::getenv("TMPDIR");
    std::error_code unknown;
    return caller && std::filesystem::is_directory(caller, unknown) && ::access(caller, W_OK) == 0 ? caller : "/tmp";
}

class WorkFolder {
public:
    WorkFolder() { std::filesystem::current_path(dir_); }
    ~WorkFolder()
    {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(dir_, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    std::string path(const std::string& name = {}) const { return name.empty() ? dir_ : dir_ + "/" + name; }
    // Writes the bytes to a file in the folder, making folders on the way.
    void write(const std::string& name, const std::string& bytes) const
    {
        const std::filesystem::path file = path(name);
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush())
            throw std::runtime_error("cannot write " + name);
    }

private:
    static std::string made()
    {
        std::string folder = scratchFolder() + "/chartviewer-test-XXXXXX";
        if (::mkdtemp(folder.data()) == nullptr)
            throw std::runtime_error("cannot make a folder in " + scratchFolder());
        return folder;
    }
    std::filesystem::path previous_ = std::filesystem::current_path();
    std::string dir_ = made();
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
