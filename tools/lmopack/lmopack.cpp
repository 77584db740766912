// lmopack — packs content entries into an LMO archive exactly as the game reads it.
//
//   lmopack -o OUT.lmo INPUT...
//
// Each INPUT is a file, whose name is its CID, or a folder, whose files named like CIDs are all
// taken (other files in it are skipped). A CID is three capital letters or digits (the first a
// letter), an underscore, then letters, digits and underscores; at most 31 characters. Entries
// are written sorted by CID, with no time stamps, so the same inputs give the same bytes.
// Two inputs with the same CID are an error. Depends only on src/data/lmo_format.h.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/lmo_format.h"

namespace fs = std::filesystem;

namespace {

struct Input {
    std::string cid;
    std::string path;
    std::vector<uint8_t> bytes;
};

bool IsCidName(const std::string& n)
{
    if (n.size() < 4 || n.size() >= (size_t)LMO_CidSize) return false;
    if (!(n[0] >= 'A' && n[0] <= 'Z')) return false;
    for (int i = 1; i < 3; i++)
        if (!((n[i] >= 'A' && n[i] <= 'Z') || (n[i] >= '0' && n[i] <= '9'))) return false;
    if (n[3] != '_') return false;
    for (size_t i = 4; i < n.size(); i++) {
        char c = n[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    }
    return true;
}

bool ReadAll(const std::string& path, std::vector<uint8_t>* out)
{
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    out->assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return !f.bad();
}

bool AddFile(const fs::path& p, std::vector<Input>* inputs)
{
    std::string name = p.filename().string();
    if (!IsCidName(name)) {
        fprintf(stderr, "lmopack: %s: file name is not a CID\n", p.string().c_str());
        return false;
    }
    Input in;
    in.cid = name;
    in.path = p.string();
    if (!ReadAll(in.path, &in.bytes)) {
        fprintf(stderr, "lmopack: cannot read %s\n", in.path.c_str());
        return false;
    }
    if (in.bytes.size() > LMO_MaxEntrySize) {
        fprintf(stderr, "lmopack: %s is too large for an entry\n", in.path.c_str());
        return false;
    }
    inputs->push_back(std::move(in));
    return true;
}

bool AddInput(const std::string& arg, std::vector<Input>* inputs)
{
    std::error_code ec;
    fs::path p(arg);
    if (fs::is_directory(p, ec)) {
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(p, ec))
            if (e.is_regular_file() && IsCidName(e.path().filename().string())) files.push_back(e.path());
        if (ec) {
            fprintf(stderr, "lmopack: cannot list %s\n", arg.c_str());
            return false;
        }
        for (const auto& f : files)
            if (!AddFile(f, inputs)) return false;
        return true;
    }
    return AddFile(p, inputs);
}

bool Write(const std::string& out, const std::vector<Input>& inputs)
{
    uint64_t tableSize = (uint64_t)LMO_HeaderSize + (uint64_t)inputs.size() * LMO_EntrySize;
    uint64_t total = tableSize;
    for (const Input& in : inputs) total += in.bytes.size();
    if (total > 0xFFFFFFFFull || tableSize > 0x7FFFFFFFull) {
        fprintf(stderr, "lmopack: archive would exceed 4 GiB\n");
        return false;
    }

    std::vector<uint8_t> file(tableSize, 0);
    memcpy(file.data() + LMO_HdrMagic, LMO_Magic, 3);
    LMO_PutU32(file.data() + LMO_HdrCount, (uint32_t)inputs.size());
    LMO_PutU32(file.data() + LMO_HdrTableSize, (uint32_t)tableSize);
    LMO_Descramble(file.data());

    uint64_t offset = tableSize;
    for (size_t i = 0; i < inputs.size(); i++) {
        LmoEntry e;
        memset(&e, 0, sizeof e);
        memcpy(e.cid, inputs[i].cid.data(), inputs[i].cid.size());
        e.offset = (uint32_t)offset;
        e.size = (uint32_t)inputs[i].bytes.size();
        memcpy(file.data() + LMO_HeaderSize + i * LMO_EntrySize, &e, sizeof e);
        offset += inputs[i].bytes.size();
    }
    for (const Input& in : inputs) file.insert(file.end(), in.bytes.begin(), in.bytes.end());

    std::string tmp = out + ".part";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!f || !f.write((const char*)file.data(), (std::streamsize)file.size())) {
            fprintf(stderr, "lmopack: cannot write %s\n", tmp.c_str());
            return false;
        }
    }
    std::error_code ec;
    fs::rename(tmp, out, ec);
    if (ec) {
        fprintf(stderr, "lmopack: cannot rename %s to %s\n", tmp.c_str(), out.c_str());
        fs::remove(tmp, ec);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::string out;
    std::vector<Input> inputs;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
            out = argv[++i];
        } else if (!AddInput(argv[i], &inputs)) {
            return 1;
        }
    }
    if (out.empty()) {
        fprintf(stderr, "usage: lmopack -o OUT.lmo FILE-OR-FOLDER...\n");
        return 2;
    }
    std::sort(inputs.begin(), inputs.end(), [](const Input& a, const Input& b) { return a.cid < b.cid; });
    for (size_t i = 1; i < inputs.size(); i++) {
        if (inputs[i].cid == inputs[i - 1].cid) {
            fprintf(stderr, "lmopack: %s given twice (%s and %s)\n", inputs[i].cid.c_str(),
                    inputs[i - 1].path.c_str(), inputs[i].path.c_str());
            return 1;
        }
    }
    if (!Write(out, inputs)) return 1;
    printf("lmopack: %zu entries in %s\n", inputs.size(), out.c_str());
    return 0;
}
