#include "dacore/field_unique_names.h"

#include <algorithm>
#include <vector>

#include "dacore/util_locale_compare.h"

namespace dacore {

namespace {

using FieldList = std::vector<TFieldDesc*>;

int CompareNames(const std::string& a, const std::string& b) { return AnsiCompareTextSort(a, b); }

// The top-level fields by name, equal names by field number; fields whose
// name another one has too are flagged.
FieldList SortedTopLevel(const TFieldDescs& fields) {
  FieldList sorted;
  for (int i = 0; i < fields.Count(); ++i)
    if (!fields.GetItems(i)->HasParent()) sorted.push_back(fields.GetItems(i));
  std::sort(sorted.begin(), sorted.end(), [](const TFieldDesc* a, const TFieldDesc* b) {
    const int c = CompareNames(a->Name(), b->Name());
    return c != 0 ? c < 0 : a->FieldNo() < b->FieldNo();
  });
  for (std::size_t i = 1; i < sorted.size(); ++i)
    if (CompareNames(sorted[i - 1]->Name(), sorted[i]->Name()) == 0) {
      sorted[i - 1]->SetHasDuplicateName(true);
      sorted[i]->SetHasDuplicateName(true);
    }
  return sorted;
}

// Renames sorted[i] and moves aside every later field that now has the
// same name, each with a number of its own.
void Rename(FieldList& sorted, std::size_t i, const std::string& name) {
  sorted[i]->SetName(name);
  int number = 1;
  for (std::size_t j = i + 1; j < sorted.size(); ++j) {
    const int c = CompareNames(sorted[j]->Name(), name);
    if (c > 0) break;
    if (c == 0) Rename(sorted, j, sorted[j]->Name() + "_" + std::to_string(number++));
  }
}

}  // namespace

void MakeUniqueFieldNames(TFieldDescs& fields) {
  FieldList sorted = SortedTopLevel(fields);
  int counter = 0;
  std::string run_name;  // the name of the current run of flagged fields
  bool in_run = false;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    const std::string name = sorted[i]->Name();
    if (name.empty()) {
      Rename(sorted, i, "_" + std::to_string(counter++));
    } else if (!sorted[i]->HasDuplicateName()) {
      counter = 0;
      in_run = false;
    } else if (!in_run || CompareNames(name, run_name) != 0) {
      run_name = name;
      in_run = true;
      counter = 1;
    } else {
      Rename(sorted, i, name + "_" + std::to_string(counter++));
    }
  }
}

}  // namespace dacore
