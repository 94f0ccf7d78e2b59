// The parsers of what a server sends, driven by arbitrary bytes. The
// libFuzzer harnesses, their corpus replay and the test run's own short
// fuzzing all call these. Every input must end in a result or one of the
// library's errors (classlib::Exception); anything else escapes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oranet::fuzz {

// How far an input got before it ended (texts: refused or accepted).
enum class Reached { kNothing, kConnected, kNegotiated, kMessages, kAccepted };

// Byte 0: bit 0 selects the negotiated representation after the connect.
// The rest is everything the server says: the handshake answers, then the
// packets read as the DATA stream until it ends.
Reached RunPacketReader(const uint8_t* data, size_t size);

// Byte 0: bit 0 the conversion flag, bit 1 byte-string mode 2, bit 2 skip
// the negotiation replies, bit 3 the negotiated representation when they
// are skipped. The rest is the DATA payload (cut into packets): the
// protocol and data-type replies, then fields and messages, each chosen by
// the byte before it.
Reached RunTtcReader(const uint8_t* data, size_t size);

// Byte 0: bit 0 runs a whole connect and logon over the rest (the DATA
// payload after the accept: negotiation replies, then the logon replies);
// otherwise the rest is read as logon replies after negotiation, bit 1 the
// conversion flag, bit 2 phase 2.
Reached RunLogonReader(const uint8_t* data, size_t size);

// Byte 0: bit 0 reads the rest as NUMBER text (then writes it and reads it
// back, which must give the same value), else as a NUMBER's bytes from a
// server (up to 22), written as text, integer and double and compared.
Reached RunNumberText(const uint8_t* data, size_t size);

// Byte 0: bit 0 day to second (else year to month), bits 1-4 the leading
// precision. The rest is an interval text; an accepted one is written with
// nine fraction digits and read back to the same bytes.
Reached RunIntervalText(const uint8_t* data, size_t size);

// Byte 0: the value's type (68, 69 or 70 by its value mod 3). The rest is
// a format model, a zero byte and a date text; the text is read by the
// model and written by it again, and a fixed value is written by the model.
Reached RunDateText(const uint8_t* data, size_t size);

// Byte 0: bits 0-1 choose the reply: 0 a query's rows into defines of
// every kind of value, 1 a block's bind vector and out-binds, 2 a describe
// reply, 3 an older server's describe reply; bit 2 a server before 8.0,
// bit 3 the conversion flag. The rest is the DATA payload after
// negotiation. kAccepted when the reply ran to its end.
Reached RunStatementReply(const uint8_t* data, size_t size);

// Byte 0: bits 0-1 the fetch size less 1, bit 2 a server before 8.0,
// bit 3 the conversion flag. Byte 1: the define count less 1 (mod 8);
// then two bytes a define: its kind and its buffer size (mod 64). The rest
// is what the server sends after the ACCEPT, packets and all, read by up
// to three fetches into buffers each allocated at its exact size, and by
// the describes of the cursors the rows hand out. kAccepted when a fetch
// succeeded.
Reached RunRowPath(const uint8_t* data, size_t size);

}  // namespace oranet::fuzz
