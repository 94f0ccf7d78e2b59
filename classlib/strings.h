// Lists of ANSI strings. TStrings is the abstract list that properties of
// components expose (SQL texts, parameter lines, names to look up); it holds
// everything that can be said in terms of reading and writing lines: the
// name=value view, the whole text, delimited text, files and streams, and
// the update notifications. TStringList keeps the lines in memory, each with
// an optional object, and can keep itself sorted.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "classlib/event.h"
#include "classlib/exceptions.h"
#include "classlib/list.h"
#include "classlib/object.h"
#include "classlib/persistent.h"

namespace classlib {

class TStream;

CLASSLIB_EXCEPTION(EStringListError, EListError)

class TStrings : public TPersistent {
  CLASSLIB_CLASS(TStrings, TPersistent)
 public:
  TStrings() = default;
  TStrings(const TStrings&) = delete;
  TStrings& operator=(const TStrings&) = delete;

  // Lines and their objects. A bad index raises EStringListError
  // "List index out of bounds (<index>)".
  virtual int Count() const = 0;
  std::string Strings(int index) const { return Get(index); }
  void SetStrings(int index, const std::string& s) { Put(index, s); }
  TObject* Objects(int index) const { return GetObject(index); }
  void SetObjects(int index, TObject* object) { PutObject(index, object); }

  // Editing. Add and AddObject return the index of the new line.
  virtual int Add(const std::string& s);
  virtual int AddObject(const std::string& s, TObject* object);
  virtual void Insert(int index, const std::string& s) = 0;
  virtual void InsertObject(int index, const std::string& s, TObject* object);
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  virtual void Exchange(int index1, int index2);
  virtual void Move(int cur_index, int new_index);
  // Appends the source's lines with their objects.
  void AddStrings(const TStrings& source);
  // Replaces the lines and objects with the source's.
  virtual void Assign(const TStrings& source);
  // Any other persistent source is refused the platform's way.
  void Assign(const TPersistent* source) override;
  // The same lines in the same order (objects are not compared).
  bool Equals(const TStrings& other) const;

  // Searching, with this list's comparison of strings.
  virtual int IndexOf(const std::string& s) const;
  int IndexOfName(const std::string& name) const;
  int IndexOfObject(const TObject* object) const;

  // The name=value view. Names(i) is the text before the first "=" ("" when
  // the line has none); Values(name) is the text after it on the first line
  // with that name. Setting a value adds or replaces the line; setting ""
  // deletes it.
  std::string Names(int index) const;
  std::string Values(const std::string& name) const;
  void SetValues(const std::string& name, const std::string& value);
  std::string ValueFromIndex(int index) const;

  // Every line followed by CR LF. Setting splits on CR LF, LF or CR.
  std::string Text() const;
  void SetText(const std::string& text);
  // The lines separated by Delimiter; a line that holds a blank, a control
  // character, the delimiter or the quote is quoted with QuoteChar, quotes
  // inside doubled. Parsing takes blanks and the delimiter
  // outside quotes as separators. A list of one empty line reads as two quotes.
  std::string DelimitedText() const;
  void SetDelimitedText(const std::string& text);
  // DelimitedText with "," and '"' whatever Delimiter and QuoteChar are.
  std::string CommaText() const;
  void SetCommaText(const std::string& text);
  char Delimiter() const { return delimiter_; }
  void SetDelimiter(char delimiter) { delimiter_ = delimiter; }
  char QuoteChar() const { return quote_char_; }
  void SetQuoteChar(char quote_char) { quote_char_ = quote_char; }

  // The text as bytes, as they are (code page 1251). Loading reads from the
  // stream's position to its end.
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream) const;
  void LoadFromFile(const std::string& file_name);
  void SaveToFile(const std::string& file_name) const;

  // Batches changes: the change notifications fire once for the outermost
  // BeginUpdate ... EndUpdate.
  void BeginUpdate();
  void EndUpdate();

  // BeginUpdate for the life of a scope; the update ends even when an
  // exception leaves the scope, so notifications are never stuck off. The
  // change handler that ending the update fires may raise (a statement
  // refusing text it cannot parse): on a normal exit that exception leaves
  // the scope; while another exception is already leaving it, the handler's
  // is dropped, since two exceptions at once would end the process.
  class Updating {
   public:
    explicit Updating(TStrings& strings)
        : strings_(strings), exceptions_(std::uncaught_exceptions()) {
      strings_.BeginUpdate();
    }
    ~Updating() noexcept(false) {
      if (std::uncaught_exceptions() == exceptions_) {
        strings_.EndUpdate();
        return;
      }
      try {
        strings_.EndUpdate();
      } catch (...) {
      }
    }
    Updating(const Updating&) = delete;
    Updating& operator=(const Updating&) = delete;

   private:
    TStrings& strings_;
    int exceptions_;
  };

 protected:
  virtual std::string Get(int index) const = 0;
  // Replaces the line, keeping its object.
  virtual void Put(int index, const std::string& s);
  virtual TObject* GetObject(int /*index*/) const { return nullptr; }
  virtual void PutObject(int /*index*/, TObject* /*object*/) {}
  // Called when the outermost update starts (true) and ends (false).
  virtual void SetUpdateState(bool /*updating*/) {}
  // Case-insensitive unless a list says otherwise.
  virtual int CompareStrings(const std::string& a, const std::string& b) const;
  int UpdateCount() const { return update_count_; }
  // Raises EStringListError "<message> (<data>)".
  [[noreturn]] static void Error(const char* message, int data);

 private:
  int update_count_ = 0;
  char delimiter_ = ',';
  char quote_char_ = '"';
};

class TStringList;

// <0, 0 or >0 as the line at index1 sorts before, with or after index2.
using TStringListSortCompare = std::function<int(TStringList& list, int index1, int index2)>;

class TStringList : public TStrings {
  CLASSLIB_CLASS(TStringList, TStrings)
 public:
  // With owns_objects the list frees a line's object when the line is
  // deleted or the list is cleared or destroyed.
  explicit TStringList(bool owns_objects = false) : owns_objects_(owns_objects) {}
  ~TStringList() override;

  int Count() const override { return static_cast<int>(items_.size()); }
  // In a sorted list the line goes to its place; a duplicate is ignored
  // (returning the existing index), accepted, or refused with
  // EStringListError "Duplicates not allowed", as Duplicates says.
  int Add(const std::string& s) override;
  int AddObject(const std::string& s, TObject* object) override;
  // Inserting, replacing or moving a line of a sorted list raises
  // EStringListError "Operation not allowed on sorted list".
  void Insert(int index, const std::string& s) override;
  void InsertObject(int index, const std::string& s, TObject* object) override;
  void Delete(int index) override;
  void Clear() override;
  void Exchange(int index1, int index2) override;
  void Move(int cur_index, int new_index) override;
  // Binary search in a sorted list, linear otherwise.
  int IndexOf(const std::string& s) const override;

  // Binary search of a sorted list: true when found; `index` receives the
  // first matching line or, when none matches, where s would be inserted.
  virtual bool Find(const std::string& s, int& index) const;
  // Sorting an already sorted list does nothing. Both sorts are stable.
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }
  // False compares with AnsiCompareText, true with AnsiCompareStr; a sorted
  // list sorts itself again when this changes.
  bool CaseSensitive() const { return case_sensitive_; }
  void SetCaseSensitive(bool case_sensitive);
  bool OwnsObjects() const { return owns_objects_; }
  void SetOwnsObjects(bool owns_objects) { owns_objects_ = owns_objects; }

  // Fired before and after every change, or once around an update batch.
  const TNotifyEvent& OnChanging() const { return on_changing_; }
  void SetOnChanging(TNotifyEvent handler) { on_changing_ = std::move(handler); }
  const TNotifyEvent& OnChange() const { return on_change_; }
  void SetOnChange(TNotifyEvent handler) { on_change_ = std::move(handler); }

 protected:
  std::string Get(int index) const override;
  void Put(int index, const std::string& s) override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* object) override;
  void SetUpdateState(bool updating) override;
  int CompareStrings(const std::string& a, const std::string& b) const override;
  virtual void Changing();
  virtual void Changed();
  // Every addition ends here, sorted or not.
  virtual void InsertItem(int index, const std::string& s, TObject* object);

 private:
  struct Item {
    std::string text;
    TObject* object = nullptr;
  };
  void CheckIndex(int index) const;
  void CheckUnsorted() const;
  void SortItems(const TStringListSortCompare& compare);
  static int CompareLines(TStringList& list, int index1, int index2);

  std::vector<Item> items_;
  bool sorted_ = false;
  TDuplicates duplicates_ = dupIgnore;
  bool case_sensitive_ = false;
  bool owns_objects_ = false;
  TNotifyEvent on_changing_;
  TNotifyEvent on_change_;
};

}  // namespace classlib
