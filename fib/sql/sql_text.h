// Text routines over SQL fragments: comments, join lists, identifiers and
// table references, and safe appending.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fib {

// s without block and line comments (a line comment takes its CR/LF with
// it); a space stays where a comment separated two words. Quoted names and
// literals are copied as they are.
std::string StripSQLComments(std::string_view s);
// True when the end of s lies inside a line comment, so that text appended
// to it would be taken for comment.
bool EndsInLineComment(std::string_view s);
// sql + tail, with a line break between them when sql ends in a line comment
// and tail does not begin with one.
std::string AppendToSQL(std::string_view sql, std::string_view tail);

// The entries of a FROM list: joins become entries of their own, ON and
// USING conditions go, blanks collapse to one space. A parenthesised group
// (derived table, procedure arguments) is removed, with its entry unless
// keep_entries. With upper the text outside quoted names is upper-cased.
std::vector<std::string> FromListEntries(std::string_view from_list, bool keep_entries, bool upper);
// The same entries joined with ", ", parentheses kept.
std::string JoinsToCommaList(std::string_view s);
// Deletes each parenthesised group (and unless keep_entries its whole
// comma-separated entry); quotes and literals are respected.
std::string RemoveParenthesized(std::string_view s, bool keep_entries);

// Equal identifiers: quoted names compare exactly, unquoted ones
// upper-cased; an empty side matches anything.
bool SameIdentifiers(std::string_view a, std::string_view b);
// Table.Field with each part quoted when it needs quoting.
std::string QualifiedName(std::string_view table, std::string_view field);
// Where the alias of "TABLE ALIAS" begins; 0 without an alias.
int AliasPos(std::string_view ref);
std::string TableOfRef(std::string_view ref, int alias_pos);
std::string AliasOfRef(std::string_view ref, int alias_pos);
// A quoted name's inner text, or the upper-cased name.
std::string NormalizedIdentifier(std::string_view name);

// word in s as a whole SQL keyword (quotes and comments not skipped).
int PosWordInSQL(std::string_view word, std::string_view s);
// Splits s at its first "%": left gets lead in front unless s starts with it.
void SplitAtPercent(std::string_view s, char lead, std::string& left, std::string& right);
bool IsWhereAt(std::string_view s, int pos);
bool IsWhereEndAt(std::string_view s, int pos);

}  // namespace fib
