#include "platform/atoms.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "classlib/exceptions.h"
#include "platform/runtime_dir.h"
#include "platform/socket_io.h"

namespace platform {

namespace {

constexpr const char* kHeader = "updater-atoms 1";

struct Entry {
  Atom atom;
  unsigned long references;
  std::string name;
};

// Letters of code page 1251 fold like the ANSI API folds them: Latin and
// Cyrillic (including YO) to upper case.
unsigned char UpperCp1251(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  if (c >= 0xE0) return static_cast<unsigned char>(c - 32);
  if (c == 0xB8) return 0xA8;
  return c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (UpperCp1251(static_cast<unsigned char>(a[i])) != UpperCp1251(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// Names are stored as hex bytes: any byte may appear in a name.
std::string ToHex(std::string_view bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool FromHex(const std::string& hex, std::string& bytes) {
  if (hex.size() % 2) return false;
  bytes.clear();
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes += static_cast<char>(high * 16 + low);
  }
  return true;
}

class Table {
 public:
  // Holds the table's lock for the life of the object.
  Table() : dir_(RuntimeDir()), path_(dir_ + "/atoms"), lock_(open((dir_ + "/atoms.lock").c_str(),
                                                                   O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (lock_.Get() < 0) throw classlib::EOSError("Cannot open the atom table lock in " + dir_, errno);
    while (flock(lock_.Get(), LOCK_EX) != 0)
      if (errno != EINTR) throw classlib::EOSError("Cannot lock the atom table", errno);
    Load();
  }

  std::vector<Entry> entries;

  Entry* Find(std::string_view name) {
    for (Entry& e : entries)
      if (SameName(e.name, name)) return &e;
    return nullptr;
  }
  Entry* Find(Atom atom) {
    for (Entry& e : entries)
      if (e.atom == atom) return &e;
    return nullptr;
  }
  // The lowest free atom number, or 0 when all are taken.
  Atom FreeAtom() const {
    std::vector<bool> used(kLastAtom - kFirstAtom + 1);
    for (const Entry& e : entries) used[e.atom - kFirstAtom] = true;
    for (std::size_t i = 0; i < used.size(); ++i)
      if (!used[i]) return static_cast<Atom>(kFirstAtom + i);
    return 0;
  }

  // Replaces the file as a whole, so a reader never sees half a table.
  void Save() const {
    std::string temp = path_ + ".tmp";
    {
      std::ofstream out(temp, std::ios::binary | std::ios::trunc);
      out << kHeader << '\n';
      for (const Entry& e : entries) {
        char head[32];
        std::snprintf(head, sizeof head, "%04X %lu ", e.atom, e.references);
        out << head << ToHex(e.name) << '\n';
      }
      out.flush();
      if (!out) throw classlib::EOSError("Cannot write the atom table " + temp, EIO);
    }
    if (std::rename(temp.c_str(), path_.c_str()) != 0)
      throw classlib::EOSError("Cannot replace the atom table " + path_, errno);
  }

 private:
  [[noreturn]] void Damaged(int line, const std::string& what) const {
    throw classlib::EInOutError("Damaged atom table " + path_ + ", line " + std::to_string(line) + ": " + what);
  }

  void Load() {
    std::ifstream in(path_, std::ios::binary);
    if (!in) return;  // no atoms yet
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      if (number == 1) {
        if (line != kHeader) Damaged(number, "unknown header");
        continue;
      }
      entries.push_back(ParseLine(line, number));
    }
  }

  Entry ParseLine(const std::string& line, int number) {
    std::istringstream fields(line);
    std::string atom_text, refs_text, name_hex, extra;
    if (!(fields >> atom_text >> refs_text >> name_hex) || (fields >> extra))
      Damaged(number, "expected atom, reference count and name");
    Entry e{};
    char* end = nullptr;
    unsigned long atom = std::strtoul(atom_text.c_str(), &end, 16);
    if (*end || atom < kFirstAtom || atom > kLastAtom) Damaged(number, "bad atom number");
    e.atom = static_cast<Atom>(atom);
    e.references = std::strtoul(refs_text.c_str(), &end, 10);
    if (*end || e.references == 0 || refs_text[0] == '-') Damaged(number, "bad reference count");
    if (!FromHex(name_hex, e.name) || e.name.empty() || e.name.size() > kMaxAtomName) Damaged(number, "bad name");
    if (Find(e.atom) || Find(e.name)) Damaged(number, "duplicate atom");
    return e;
  }

  std::string dir_;
  std::string path_;
  socket_io::Fd lock_;
};

bool ValidName(std::string_view name) {
  return !name.empty() && name.size() <= kMaxAtomName && name.find('\0') == std::string_view::npos;
}

}  // namespace

Atom GlobalAddAtom(std::string_view name) {
  if (!ValidName(name)) return 0;
  Table table;
  if (Entry* e = table.Find(name)) {
    ++e->references;
  } else {
    Atom atom = table.FreeAtom();
    if (atom == 0) return 0;
    table.entries.push_back({atom, 1, std::string(name)});
  }
  table.Save();
  return table.Find(name)->atom;
}

Atom GlobalFindAtom(std::string_view name) {
  if (!ValidName(name)) return 0;
  Table table;
  Entry* e = table.Find(name);
  return e ? e->atom : 0;
}

std::optional<std::string> GlobalGetAtomName(Atom atom) {
  Table table;
  Entry* e = table.Find(atom);
  if (!e) return std::nullopt;
  return e->name;
}

Atom GlobalDeleteAtom(Atom atom) {
  Table table;
  Entry* e = table.Find(atom);
  if (!e) return atom;
  if (--e->references == 0) std::erase_if(table.entries, [atom](const Entry& x) { return x.atom == atom; });
  table.Save();
  return 0;
}

}  // namespace platform
