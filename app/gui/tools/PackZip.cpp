// Build tool: packs files into a zip archive under one folder name.
//   ts_packzip <archive> <folder> <file>...
// When a file is missing it says so and writes no archive, so that a build
// without the downloaded data still succeeds and the missing archive is
// reported where it is used.
#include <zip.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s archive folder file...\n", argv[0]);
        return 2;
    }
    for (int i = 3; i < argc; ++i) {
        struct stat st {};
        if (::stat(argv[i], &st) != 0 || !S_ISREG(st.st_mode)) {
            std::fprintf(stderr, "ts_packzip: %s is missing (run scripts/deps); %s not made\n", argv[i], argv[1]);
            return 0;
        }
    }
    const std::string temporary = std::string(argv[1]) + ".part";
    std::remove(temporary.c_str());
    int error = 0;
    zip_t* archive = zip_open(temporary.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) {
        std::fprintf(stderr, "ts_packzip: cannot create %s (%d)\n", temporary.c_str(), error);
        return 1;
    }
    const std::string folder = argv[2];
    zip_dir_add(archive, folder.c_str(), ZIP_FL_ENC_UTF_8);
    for (int i = 3; i < argc; ++i) {
        std::string path = argv[i];
        const std::string name = path.substr(path.find_last_of('/') + 1);
        zip_source_t* source = zip_source_file(archive, path.c_str(), 0, -1);
        if (!source || zip_file_add(archive, (folder + "/" + name).c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
            std::fprintf(stderr, "ts_packzip: cannot add %s: %s\n", path.c_str(), zip_strerror(archive));
            if (source) zip_source_free(source);
            zip_discard(archive);
            return 1;
        }
    }
    if (zip_close(archive) != 0) {
        std::fprintf(stderr, "ts_packzip: cannot write %s: %s\n", temporary.c_str(), zip_strerror(archive));
        zip_discard(archive);
        return 1;
    }
    if (std::rename(temporary.c_str(), argv[1]) != 0) {
        std::perror("ts_packzip");
        return 1;
    }
    return 0;
}
