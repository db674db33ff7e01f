// Thumbnails: opening a picture folder of 1000 pictures whose cache is valid (ReadCache
// and MissingPictures, the user-interface thread's share of a folder change; the goal
// is under 0.5 s), and making 100 thumbnails from 640 x 480 JPEG and BMP files. The
// files are generated in a temporary folder at the first use and lie in the page cache
// while measured.
#include "app/files/bmp_writer.h"
#include "app/files/jpeg_encoder.h"
#include "app/files/thumb_list.h"
#include "tests/files/synthetic_picture.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int CACHED_PICTURES = 1000;
constexpr int MADE_PICTURES = 100;

// The benchmark's folders, made once and removed at the program's end.
class CBenchFolders {
public:
    CBenchFolders()
    {
        std::string szTemplate = (fs::temp_directory_path() / "vexilo-bench-thumbs-XXXXXX").string();
        if (::mkdtemp(szTemplate.data()) == nullptr)
            return;
        m_szRoot = szTemplate;
        m_bReady = MakeCachedFolder() && MakeSourceFolder(".jpg") && MakeSourceFolder(".bmp");
    }
    ~CBenchFolders()
    {
        std::error_code error;
        if (!m_szRoot.empty())
            fs::remove_all(m_szRoot, error);
    }
    CBenchFolders(const CBenchFolders&) = delete;
    CBenchFolders& operator=(const CBenchFolders&) = delete;

    bool IsReady() const { return m_bReady; }
    std::string CachedFolder() const { return m_szRoot + "/cached"; }
    std::vector<std::string> Sources(const std::string& szExtension) const
    {
        std::vector<std::string> paths;
        for (int i = 0; i < MADE_PICTURES; ++i)
            paths.push_back(m_szRoot + "/source" + szExtension + "/p" + std::to_string(i) + szExtension);
        return paths;
    }

private:
    // 1000 pictures (copies of one; only their names and presence matter when the
    // cache holds them) and a cache of their thumbnails.
    bool MakeCachedFolder()
    {
        const std::string szFolder = CachedFolder();
        fs::create_directory(szFolder);
        CDibImage picture;
        DrawNaturalPicture(picture, 640, 480, 3);
        const std::string szFirst = szFolder + "/20240101000000.bmp";
        if (!WriteBmp(picture, szFirst.c_str()))
            return false;
        CThumbList list;
        list.AddThumbnail(szFirst, picture);
        for (int i = 1; i < CACHED_PICTURES; ++i) {
            const std::string szPath = szFolder + "/20240101" + std::to_string(100000 + i) + ".bmp";
            std::error_code error;
            if (!fs::copy_file(szFirst, szPath, error))
                return false;
            list.AddThumbnail(szPath, picture);
        }
        return list.WriteCache(ThumbCachePath(szFolder)) == 1;
    }

    bool MakeSourceFolder(const std::string& szExtension)
    {
        fs::create_directory(m_szRoot + "/source" + szExtension);
        CDibImage picture;
        DrawNaturalPicture(picture, 640, 480, 5);
        const std::vector<std::string> paths = Sources(szExtension);
        const BOOL bWritten = szExtension == ".jpg" ? SaveJpeg(picture, paths[0].c_str())
                                                    : WriteBmp(picture, paths[0].c_str());
        if (!bWritten)
            return false;
        for (std::size_t i = 1; i < paths.size(); ++i) {
            std::error_code error;
            if (!fs::copy_file(paths[0], paths[i], error))
                return false;
        }
        return true;
    }

    std::string m_szRoot;
    bool m_bReady = false;
};

const CBenchFolders& Folders()
{
    static const CBenchFolders folders;
    return folders;
}

void BM_OpenCachedFolder(benchmark::State& state)
{
    if (!Folders().IsReady()) {
        state.SkipWithError("cannot make the benchmark's folders");
        return;
    }
    const std::string szFolder = Folders().CachedFolder();
    for (auto _ : state) {
        CThumbList list;
        list.ReadCache(ThumbCachePath(szFolder));
        const std::vector<std::string> missing = list.MissingPictures(szFolder);
        if (list.Count() != CACHED_PICTURES || !missing.empty()) {
            state.SkipWithError("the cache does not hold the folder");
            return;
        }
        benchmark::DoNotOptimize(list.Item(0).m_Image.Bits());
    }
    state.counters["pictures"] = CACHED_PICTURES;
}
BENCHMARK(BM_OpenCachedFolder)->Unit(benchmark::kMillisecond)->UseRealTime();

void MakeThumbnails(benchmark::State& state, const std::string& szExtension)
{
    if (!Folders().IsReady()) {
        state.SkipWithError("cannot make the benchmark's folders");
        return;
    }
    const std::vector<std::string> paths = Folders().Sources(szExtension);
    for (auto _ : state) {
        CThumbList list;
        for (const std::string& szPath : paths)
            list.AddThumbnailFromFile(szPath);
        if (list.Count() != MADE_PICTURES) {
            state.SkipWithError("a picture could not be decoded");
            return;
        }
    }
    state.counters["pictures_per_s"] = benchmark::Counter(MADE_PICTURES, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_MakeThumbnailsJpeg(benchmark::State& state)
{
    MakeThumbnails(state, ".jpg");
}
BENCHMARK(BM_MakeThumbnailsJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MakeThumbnailsBmp(benchmark::State& state)
{
    MakeThumbnails(state, ".bmp");
}
BENCHMARK(BM_MakeThumbnailsBmp)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
