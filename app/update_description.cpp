#include "app/update_description.h"

#include <QDomElement>
#include <QFile>
#include <cmath>

#include "app/details_log.h"
#include "app/qt_text.h"
#include "app/run_state.h"
#include "classlib/ansistr.h"
#include "classlib/stream.h"

namespace app {

std::unique_ptr<TUpdateDescription> UpdateDescription;

namespace {

std::string Utf8Message(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

std::string Attribute(const QDomElement& element, const char* name) {
  return AnsiOf(element.attribute(QString::fromLatin1(name)));
}

bool IsTrue(const std::string& value) { return classlib::UpperCase(value) == "TRUE"; }

// The first child element of that name; a null element when there is none.
QDomElement Child(const QDomElement& parent, const char* name) {
  return parent.firstChildElement(QString::fromLatin1(name));
}

template <typename Item, typename ReadItem>
void ReadItems(const QDomElement& root, const char* name, bool& present, std::vector<Item>& items,
               ReadItem read) {
  const QDomElement part = Child(root, name);
  present = !part.isNull();
  items.clear();
  for (QDomElement item = part.firstChildElement(); !item.isNull();
       item = item.nextSiblingElement())
    items.push_back(read(item));
}

}  // namespace

std::string BadTimePercentMessage(const std::string& text, const std::string& element, int line) {
  return Utf8Message("файл \"") + DisplayPath(ProgramDir + kUpdateDescriptionFile) +
         Utf8Message("\": значение TIME_PERCENT \"") + text + Utf8Message("\" элемента ") +
         element + Utf8Message(" (строка ") + std::to_string(line) +
         Utf8Message(") не является числом");
}

double TDbUpdateItem::Percent() const {
  QString written = QString::fromStdString(TimePercent).trimmed();
  written.replace(QLatin1Char(','), QLatin1Char('.'));
  bool ok = false;
  const double value = written.toDouble(&ok);
  if (!ok || !std::isfinite(value) || value < 0)
    throw EUpdateDescriptionError(BadTimePercentMessage(TimePercent, Element, Line));
  return value;
}

std::unique_ptr<TUpdateDescription> TUpdateDescription::LoadFromFile(const std::string& ansi_path) {
  QFile file(QString::fromStdString(classlib::NativeFileName(ansi_path)));
  if (!file.open(QIODevice::ReadOnly))
    throw EUpdateDescriptionError(AnsiOf(file.errorString()));
  return LoadFromBytes(file.readAll());
}

std::unique_ptr<TUpdateDescription> TUpdateDescription::LoadFromBytes(const QByteArray& bytes) {
  auto description = std::make_unique<TUpdateDescription>();
  QString error;
  int line = 0;
  int column = 0;
  if (!description->document_.setContent(bytes, &error, &line, &column)) {
    throw EUpdateDescriptionError(Utf8Message("строка ") + std::to_string(line) +
                                  Utf8Message(", позиция ") + std::to_string(column) + ": " +
                                  AnsiOf(error));
  }
  description->Read();
  return description;
}

void TUpdateDescription::Read() {
  const QDomElement root = document_.documentElement();
  if (root.tagName() != QLatin1String("ROOT")) {
    throw EUpdateDescriptionError(Utf8Message("корневой элемент \"") + AnsiOf(root.tagName()) +
                                  Utf8Message("\" вместо \"ROOT\""));
  }

  const QDomElement updates = Child(root, "UPDATES");
  HasUpdates = !updates.isNull();
  AlwaysUpdateDB = HasUpdates && IsTrue(Attribute(updates, "ALWAYS_UPDATE_DB"));
  NoUpdateConf = HasUpdates && IsTrue(Attribute(updates, "NO_UPDATE_CONF"));

  const QDomElement versions = Child(root, "VERSIONS");
  HasVersions = !versions.isNull();
  StartBdVersion = Attribute(versions, "START_BD_VERSION");
  ResultBdVersion = Attribute(versions, "RESULT_BD_VERSION");

  const QDomElement form = Child(root, "FORM");
  HasForm = !form.isNull();
  InfoFile = Attribute(form, "INFO_FILE");

  ReadItems(root, "DB_UPDATE", HasDbUpdate, DbUpdate, [](const QDomElement& item) {
    TDbUpdateItem read;
    read.Subd = Attribute(item, "SUBD");
    read.TimePercent = Attribute(item, "TIME_PERCENT");
    read.Source = Attribute(item, "SOURCE");
    read.FileName = Attribute(item, "FILENAME");
    read.InfoString = Attribute(item, "INFO_STRING");
    read.Element = AnsiOf(item.tagName());
    read.Line = item.lineNumber();
    return read;
  });
  ReadItems(root, "SCHEMA_UPDATE", HasSchemaUpdate, SchemaUpdate, [](const QDomElement& item) {
    TSchemaUpdateItem read;
    read.DataFile = Attribute(item, "DATA_FILE");
    read.SchemaFile = Attribute(item, "SCHEMA_FILE");
    read.Objects = Attribute(item, "OBJECTS");
    return read;
  });
  ReadItems(root, "CONFIG_UPDATE", HasConfigUpdate, ConfigUpdate, [](const QDomElement& item) {
    TConfigUpdateItem read;
    read.UpdateType = Attribute(item, "UPDATE_TYPE");
    read.Command = Attribute(item, "COMMAND");
    read.IniFile = Attribute(item, "INI_FILE");
    read.IniFileName = Attribute(item, "INI_FILE_NAME");
    read.TimePercent = Attribute(item, "TIME_PERCENT");
    read.InfoString = Attribute(item, "INFO_STRING");
    return read;
  });
}

}  // namespace app
