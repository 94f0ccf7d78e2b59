// The update description "updcfg.xml" that ships with every release: which
// database releases the update starts from, what it runs on the database,
// which reference groups it transfers and which settings tools it starts.
//
// Element and attribute names match exactly, letter case included; a
// missing attribute reads as the empty text. Values are ANSI (code page
// 1251) like every text of the run; the file itself may use any encoding its
// XML declaration names (release files declare windows-1251).
#pragma once

#include <QDomDocument>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace app {

inline const std::string kUpdateDescriptionFile = "updcfg.xml";

// A description that cannot be used: the text says what is wrong (ANSI).
class EUpdateDescriptionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The message for a TIME_PERCENT that is no number: it names the
// description file (in ProgramDir), the item's element and its line.
std::string BadTimePercentMessage(const std::string& text, const std::string& element, int line);

// One step of the database update.
struct TDbUpdateItem {
  std::string Subd;         // the database kinds the step applies to
  std::string TimePercent;  // its share of the progress bar, as written
  std::string Source;
  std::string FileName;
  std::string InfoString;
  std::string Element;  // where the step stands in the description
  int Line = 0;

  // TIME_PERCENT as a non-negative number, "." or "," as the decimal
  // separator because release files are written in both. Read only for the
  // steps a run takes: a step for another server kind may leave it out.
  // Raises EUpdateDescriptionError (BadTimePercentMessage) otherwise.
  double Percent() const;
};

// One reference-group transfer.
struct TSchemaUpdateItem {
  std::string DataFile;
  std::string SchemaFile;
  std::string Objects;
};

// One step of the settings update.
struct TConfigUpdateItem {
  std::string UpdateType;
  std::string Command;
  std::string IniFile;
  std::string IniFileName;
  std::string TimePercent;
  std::string InfoString;
};

class TUpdateDescription {
 public:
  // Both raise EUpdateDescriptionError for a file that is not well-formed
  // XML or whose top-level element is not ROOT: a run must not start on a
  // description it cannot follow.
  static std::unique_ptr<TUpdateDescription> LoadFromFile(const std::string& ansi_path);
  static std::unique_ptr<TUpdateDescription> LoadFromBytes(const QByteArray& bytes);

  // UPDATES: each flag is set exactly by the text "TRUE" in any letter case.
  bool HasUpdates = false;
  bool AlwaysUpdateDB = false;
  bool NoUpdateConf = false;

  // VERSIONS.
  bool HasVersions = false;
  std::string StartBdVersion;   // START_BD_VERSION as written
  std::string ResultBdVersion;  // RESULT_BD_VERSION as written

  // FORM (its INFO_FILE names the instructions, relative to the release).
  bool HasForm = false;
  std::string InfoFile;

  // The three update parts; an element may exist with no items.
  bool HasDbUpdate = false;
  std::vector<TDbUpdateItem> DbUpdate;
  bool HasSchemaUpdate = false;
  std::vector<TSchemaUpdateItem> SchemaUpdate;
  bool HasConfigUpdate = false;
  std::vector<TConfigUpdateItem> ConfigUpdate;

  // The parsed document, for readers of elements not listed above.
  const QDomDocument& Document() const { return document_; }

 private:
  void Read();
  QDomDocument document_;
};

// The loaded description of this run; empty until a preparation loads one,
// replaced by the next preparation.
extern std::unique_ptr<TUpdateDescription> UpdateDescription;

}  // namespace app
