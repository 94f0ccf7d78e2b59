// Keyset conditions and the texts of the limited cache model's statements.
#include "fib/records/limited_cache_sql.h"

#include "fib/base/errors.h"
#include "fib/base/str_util.h"
#include "fib/sql/reserved_words.h"
#include "fib/sql/sql_clauses.h"
#include "fib/sql/sql_parser.h"
#include "fib/sql/sql_text.h"

namespace fib {

namespace {

// A name as the server spells it, written so that the select text's own
// spelling of it compares equal (quoted when its case or characters need it).
std::string AsWritten(const std::string& server_name) {
  if (!NeedQuoteIdentifier(server_name)) return server_name;
  return "\"" + ReplaceSubStr(server_name, "\"", "\"\"") + "\"";
}

std::string Term(const std::string& left, const char* op, const std::string& param) {
  return "(" + left + op + "?" + param + ")";
}

// The term that a row lies beyond the parameter's row in one direction.
// NULL compares with nothing, so where NULL sorts is stated apart: at the
// near end (nulls_near) every value lies beyond a NULL, at the far end a
// NULL lies beyond every value.
std::string Beyond(const std::string& column, const char* op, const std::string& param,
                   bool nullable, bool nulls_near) {
  const std::string term = Term(column, op, param);
  if (!nullable) return term;
  const std::string nulls = nulls_near
                                ? "(?" + param + " is null and " + column + " is not null)"
                                : "(" + column + " is null and ?" + param + " is not null)";
  return "(" + term + " or " + nulls + ")";
}

std::string JoinedTerms(const std::vector<std::string>& terms) {
  std::string result;
  for (const std::string& term : terms) {
    if (!result.empty()) result += " and ";
    result += term;
  }
  return result;
}

std::string OrderList(const std::string& select_sql) {
  TSQLParser parser(select_sql);
  int order_start = 0;
  int order_end = 0;
  std::string clause;
  parser.GetOrderClause(order_start, order_end, clause);
  return clause;
}

}  // namespace

std::string KeysetColumnRef(const std::string& select_sql, const KeysetField& field) {
  if (!field.order_qualifier.empty()) return QualifiedName(field.order_qualifier, field.column);
  if (field.table.empty()) return QualifiedName("", field.column);
  return QualifiedName(AliasForTable(select_sql, AsWritten(field.table)), field.column);
}

std::string PrefixedParamName(const std::string& prefix, const std::string& field_name) {
  const std::string name = prefix + field_name;
  return NeedQuoteIdentifier(name) ? "\"" + name + "\"" : name;
}

KeysetConditions BuildKeysetConditions(const std::string& select_sql,
                                       const std::vector<KeysetField>& sort_fields) {
  KeysetConditions result;
  // Built from the last sort field outwards: each earlier field wraps what
  // the later ones decide for rows equal in it.
  for (auto it = sort_fields.rbegin(); it != sort_fields.rend(); ++it) {
    const std::string column = KeysetColumnRef(select_sql, *it);
    const std::string param = PrefixedParamName(kNewParamPrefix, it->field_name);
    const char* op = it->ascending ? ">" : "<";
    const char* rev = it->ascending ? "<" : ">";
    // Read backwards, the end where NULL sorts is the other one.
    const std::string next = Beyond(column, op, param, it->nullable, it->nulls_first);
    const std::string prior = Beyond(column, rev, param, it->nullable, !it->nulls_first);
    if (it == sort_fields.rbegin()) {
      result.next = next;
      result.prior = prior;
      continue;
    }
    std::string same = Term(column, "=", param);
    if (it->nullable)
      same = "(" + same + " or (" + column + " is null and ?" + param + " is null))";
    const std::string equal = " and " + same + ") or ";
    result.next = "((" + result.next + equal + next + ")";
    result.prior = "((" + result.prior + equal + prior + ")";
  }
  return result;
}

std::string LocateEqualCondition(const std::string& select_sql,
                                 const std::vector<KeysetField>& key_fields) {
  return LocateCondition(select_sql, key_fields, {});
}

std::string LocateCondition(const std::string& select_sql,
                            const std::vector<KeysetField>& key_fields,
                            LocateTermOptions options) {
  std::vector<std::string> terms;
  for (const KeysetField& field : key_fields) {
    std::string column = KeysetColumnRef(select_sql, field);
    std::string value = "?" + PrefixedParamName(kLocateParamPrefix, field.field_name);
    if (options.case_insensitive) {
      column = "UPPER(" + column + ")";
      value = "UPPER(" + value + ")";
    }
    const char* op = options.partial_key ? " starting with " : "=";
    terms.push_back("(" + column + op + value + ")");
  }
  return JoinedTerms(terms);
}

LimitedCacheTexts BuildLimitedCacheTexts(const std::string& full_name,
                                         const std::string& select_sql,
                                         const std::vector<KeysetField>& sort_fields,
                                         const std::vector<KeysetField>& locate_fields,
                                         const std::string& plan_for_desc) {
  const std::string order = OrderList(select_sql);
  if (sort_fields.empty() || FastTrim(order).empty()) RaiseNoOrderBy(full_name);
  const KeysetConditions keyset = BuildKeysetConditions(select_sql, sort_fields);
  const std::string reversed = InvertOrderClause(order);
  auto backwards = [&](const std::string& sql) {
    return SetPlanClause(SetOrderClause(sql, reversed), plan_for_desc);
  };
  LimitedCacheTexts texts;
  texts.desc = backwards(select_sql);
  texts.part = AddToWhereClause(select_sql, keyset.next);
  texts.part_desc = backwards(AddToWhereClause(select_sql, keyset.prior));
  const std::string locate = LocateEqualCondition(select_sql, locate_fields);
  texts.locate = locate.empty() ? select_sql : AddToWhereClause(select_sql, locate);
  return texts;
}

void RaiseNoOrderBy(const std::string& full_name) {
  RaiseClientErrorMsg("%s:Can't find or parse ORDER BY statement.", {full_name});
}

bool CanUseLimitedCache(const LimitedCacheUse& use) {
  if (use.cached_updates || !use.has_order_by || !use.update_transaction_ok) return false;
  for (const std::string& name : use.select_param_names) {
    if (IsNewParamName(name)) return false;
  }
  return true;
}

void CheckLimitedCacheUse(const std::string& full_name, const LimitedCacheUse& use) {
  if (!CanUseLimitedCache(use)) RaiseClientError(75, {full_name});
}

}  // namespace fib
