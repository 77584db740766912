// lmocheck — lists and verifies an LMO archive.
//
//   lmocheck [--quiet] [--required LIST] ARCHIVE.lmo
//
// Verifies the header (magic, entry count against table size), the table (inside the file,
// every CID terminated), every entry's bounds, that no CID appears twice and that the identity
// entry "TXT_GAMEID" names this game, with the same rules the game applies. With --required,
// every CID listed (one a line; '#' starts a comment; blank lines ignored) must be present.
// Prints "CID type size" for every entry unless --quiet. Exit 0 when all is well, 1 otherwise.
// Depends only on src/data/lmo_format.h.
#include <strings.h>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "data/lmo_format.h"

namespace {

bool ReadAll(const std::string& path, std::vector<uint8_t>* out)
{
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    out->assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return !f.bad();
}

std::string Trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

// The identity text: a "#GAMEID" tag (any case) whose next token is "ZNDR" (any case); tokens
// are split at white space, parentheses and commas, as the game's tag reader does.
bool NamesThisGame(const uint8_t* data, size_t size)
{
    std::vector<std::string> tokens;
    std::string cur;
    for (size_t i = 0; i < size && data[i]; i++) {
        char c = (char)data[i];
        if (c == 9 || c == 10 || c == 13 || c == 32 || c == '(' || c == ')' || c == ',') {
            if (!cur.empty()) tokens.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) tokens.push_back(cur);
    for (size_t i = 0; i < tokens.size(); i++)
        if (tokens[i][0] == '#' && strcasecmp(tokens[i].c_str() + 1, "GAMEID") == 0)
            return i + 1 < tokens.size() && strcasecmp(tokens[i + 1].c_str(), "ZNDR") == 0;
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    bool quiet = false;
    std::string required, archive;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--quiet") == 0) quiet = true;
        else if (strcmp(argv[i], "--required") == 0 && i + 1 < argc) required = argv[++i];
        else archive = argv[i];
    }
    if (archive.empty()) {
        fprintf(stderr, "usage: lmocheck [--quiet] [--required LIST] ARCHIVE.lmo\n");
        return 2;
    }

    std::vector<uint8_t> file;
    if (!ReadAll(archive, &file)) {
        fprintf(stderr, "lmocheck: cannot read %s\n", archive.c_str());
        return 1;
    }
    uint8_t header[LMO_HeaderSize] = {};
    if (file.size() >= (size_t)LMO_HeaderSize) memcpy(header, file.data(), LMO_HeaderSize);
    LMO_Descramble(header);
    int count = 0;
    LmoCheck check = LMO_CheckHeader(header, file.size(), &count);
    if (check != LMO_CHECK_OK) {
        fprintf(stderr, "lmocheck: %s: %s\n", archive.c_str(), LMO_CheckName(check));
        return 1;
    }

    int failures = 0;
    std::set<std::string> cids;
    bool gameId = false;
    uint32_t gameIdOffset = 0, gameIdSize = 0;
    for (int i = 0; i < count; i++) {
        LmoEntry e;
        memcpy(&e, file.data() + LMO_HeaderSize + (size_t)i * LMO_EntrySize, sizeof e);
        check = LMO_CheckEntry(e, file.size());
        if (check != LMO_CHECK_OK) {
            fprintf(stderr, "lmocheck: %s: entry %d: %s\n", archive.c_str(), i, LMO_CheckName(check));
            failures++;
            continue;
        }
        std::string cid = e.cid;
        if (!cids.insert(cid).second) {
            fprintf(stderr, "lmocheck: %s: %s appears twice\n", archive.c_str(), cid.c_str());
            failures++;
        }
        if (cid == "TXT_GAMEID" && !gameId) {
            gameId = true;
            gameIdOffset = e.offset;
            gameIdSize = e.size;
        }
        if (!quiet) printf("%-32s %.3s %10u\n", cid.c_str(), cid.c_str(), e.size);
    }
    if (!gameId) {
        fprintf(stderr, "lmocheck: %s: no TXT_GAMEID entry\n", archive.c_str());
        failures++;
    } else {
        if (!NamesThisGame(file.data() + gameIdOffset, gameIdSize)) {
            fprintf(stderr, "lmocheck: %s: TXT_GAMEID does not name this game\n", archive.c_str());
            failures++;
        }
    }

    if (!required.empty()) {
        std::ifstream list(required);
        if (!list) {
            fprintf(stderr, "lmocheck: cannot read %s\n", required.c_str());
            return 1;
        }
        std::string line;
        int lineNo = 0;
        while (std::getline(list, line)) {
            lineNo++;
            size_t hash = line.find('#');
            if (hash != std::string::npos) line.erase(hash);
            line = Trim(line);
            if (line.empty()) continue;
            if (!cids.count(line)) {
                fprintf(stderr, "lmocheck: %s: required %s is missing (%s:%d)\n", archive.c_str(),
                        line.c_str(), required.c_str(), lineNo);
                failures++;
            }
        }
    }

    if (failures) {
        fprintf(stderr, "lmocheck: %s: %d problem(s)\n", archive.c_str(), failures);
        return 1;
    }
    printf("lmocheck: %s: %d entries, ok\n", archive.c_str(), count);
    return 0;
}
