// Array values a data set's records hold on the client until a statement
// stores them.
//
// An array column's slot holds an 8-byte array id. When the application
// writes an array field, its elements are kept here as the column's slice
// and the record's slot takes a pending id that names them: the record
// carries its change through the cache, the cached-update log, a cancel
// and a sort like any other value, and no array is written in a
// transaction that may end before the change is stored. The statement that
// carries the record writes the slice in its own transaction and sends the
// new id. That id names the array only until the statement ends (the
// server stores it under an id of its own), so the record keeps its
// pending id and the values stay here until a refresh of the row gives it
// the server's id (Settle). A refused statement leaves the pending id in
// the record, so the retry writes the array again.
//
// Pending ids set every bit of the high word, which the server's ids never
// do: their high word holds a relation number and the top bits of a record
// number, far below that.
#pragma once

#include <ibase.h>

#include <cstdint>
#include <map>
#include <vector>

namespace fib {

class TPendingArrays {
 public:
  static bool IsPending(const ISC_QUAD& id) { return id.gds_quad_high == kMark; }

  // Keeps a slice; the answer is the id the record holds for it. It belongs
  // to the edit in progress until that edit ends.
  ISC_QUAD Add(std::vector<char> slice);
  // Keeps a slice for a record outside any edit (values read from the
  // server that must outlive the transaction): it stays until Clear.
  ISC_QUAD Keep(std::vector<char> slice);
  // The slice of a pending id; nullptr when it is no longer kept.
  const std::vector<char>* Find(const ISC_QUAD& id) const;

  // ---- the edit in progress ----
  // The edit was cancelled: what it added goes.
  void CancelEdit();
  // The edit was posted: what it added stays when `referenced` says the
  // record still holds it, and goes otherwise.
  template <class Referenced>
  void EndEdit(Referenced referenced) {
    for (uint32_t key : edit_keys_)
      if (!referenced(IdOf(key))) slices_.erase(key);
    edit_keys_.clear();
  }

  // ---- one attempt to store a record (its statements) ----
  void BeginAttempt() { written_.clear(); }
  // The id a slice was written as in this attempt in transaction `tr`
  // (several statements, or a statement filled twice, write it once).
  bool WrittenIn(const ISC_QUAD& pending, isc_tr_handle tr, ISC_QUAD& written) const;
  void NoteWritten(const ISC_QUAD& pending, isc_tr_handle tr, const ISC_QUAD& written);
  // The attempt succeeded: the slices it wrote that the record no longer
  // holds (`referenced` says no) go.
  template <class Referenced>
  void Settle(Referenced referenced) {
    for (const Written& item : written_)
      if (!referenced(IdOf(item.key))) slices_.erase(item.key);
    written_.clear();
  }
  // The attempt failed: the ids it wrote are forgotten, the slices stay.
  void Forget() { written_.clear(); }

  // Everything goes (the data set closes).
  void Clear();

 private:
  static constexpr ISC_LONG kMark = -1;
  static ISC_QUAD IdOf(uint32_t key) { return ISC_QUAD{kMark, key}; }

  struct Written {
    uint32_t key;
    isc_tr_handle tr;
    ISC_QUAD written;
  };

  std::map<uint32_t, std::vector<char>> slices_;
  uint32_t next_key_ = 1;
  std::vector<uint32_t> edit_keys_;
  std::vector<Written> written_;
};

}  // namespace fib
