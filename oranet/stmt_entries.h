// The statement functions of direct mode with the signatures of the
// Oracle layer's entry-point table: prepare, the bind and define calls,
// execute and fetch. Those that talk to the server turn every failure into
// a status and the error handle's number and text.
#pragma once

#include "oranet/oci_entries.h"
#include "oranet/oci_item.h"

namespace oranet {

using oracle::OCIBind;
using oracle::OCIDefine;
using oracle::OCIStmt;
using oracle::sb4;

sword NetStmtPrepare(OCIStmt* statement, OCIError* error, const OraText* text, ub4 length, ub4 language, ub4 mode);
// A name or position the text does not have sets error 1036.
sword NetBindByName(OCIStmt* statement, OCIBind** bind, OCIError* error, const OraText* name, sb4 nameLength,
                    void* value, sb4 valueSize, ub2 type, void* indicator, ub2* length, ub2* returnCode, ub4 maxArray,
                    ub4* currentArray, ub4 mode);
sword NetBindByPos(OCIStmt* statement, OCIBind** bind, OCIError* error, ub4 position, void* value, sb4 valueSize,
                   ub2 type, void* indicator, ub2* length, ub2* returnCode, ub4 maxArray, ub4* currentArray, ub4 mode);
sword NetBindArrayOfStruct(OCIBind* bind, OCIError* error, ub4 valueSkip, ub4 indicatorSkip, ub4 lengthSkip,
                           ub4 returnCodeSkip);
sword NetBindDynamic(OCIBind* bind, OCIError* error, void* inContext, TNetInBindCallback inCallback, void* outContext,
                     TNetOutBindCallback outCallback);
sword NetDefineByPos(OCIStmt* statement, OCIDefine** define, OCIError* error, ub4 position, void* value, sb4 valueSize,
                     ub2 type, void* indicator, ub2* length, ub2* returnCode, ub4 mode);
sword NetDefineArrayOfStruct(OCIDefine* define, OCIError* error, ub4 valueSkip, ub4 indicatorSkip, ub4 lengthSkip,
                             ub4 returnCodeSkip);
sword NetDefineDynamic(OCIDefine* define, OCIError* error, void* context, TNetDefineCallback callback);
// Mode 0x10 describes without executing; mode 0x20 commits on success.
sword NetStmtExecute(OCISvcCtx* context, OCIStmt* statement, OCIError* error, ub4 iterations, ub4 rowOffset,
                     const void* snapshotIn, void* snapshotOut, ub4 mode);
// OCI_NO_DATA when the rows are done; the row count attribute says how
// many rows the cursor has given so far.
sword NetStmtFetch(OCIStmt* statement, OCIError* error, ub4 rows, ub2 orientation, ub4 mode);

}  // namespace oranet
