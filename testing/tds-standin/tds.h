#pragma once

// The parts of Microsoft's TDS 7.4 protocol that the stand-in server speaks:
// packets, the pre-login and login messages it reads, and the tokens it
// answers with. Integers are little-endian unless a comment says otherwise.

#include "engine.h"
#include "utf16.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tds {

enum PacketType : uint8_t {
    SqlBatch = 0x01,
    Rpc = 0x03,
    TabularResult = 0x04,
    Attention = 0x06,
    TransactionManager = 0x0e,
    Login7 = 0x10,
    PreLogin = 0x12,
};

enum DoneStatus : uint16_t {
    DoneFinal = 0x00,
    DoneMore = 0x01,
    DoneError = 0x02,
    DoneCount = 0x10,
    DoneAttention = 0x20,
};

enum DoneTokenType : uint8_t {
    DoneToken = 0xfd,
    DoneProcToken = 0xfe,
    DoneInProcToken = 0xff,
};

constexpr uint16_t SelectCommand = 0xc1;
// SQL_Latin1_General_CP1_CI_AS: LCID 0x0409, ignore case, kana and width; sort 52.
inline const std::string DefaultCollation{"\x09\x04\xd0\x00\x34", 5};

inline std::u16string utf16(const std::string &text)
{
    return standin::utf16(text, standin::Undecodable::Replace);
}
using standin::utf8;
// UTF-16LE bytes as they travel.
std::string wire(const std::u16string &text);
std::u16string fromWire(const char *bytes, size_t units);

// A token stream being built, to be cut into packets by the link.
class Tokens
{
public:
    void byte(uint8_t v) { m_bytes.push_back(char(v)); }
    void u16(uint16_t v);
    void u32(uint32_t v);
    void u64(uint64_t v);
    void raw(const std::string &bytes) { m_bytes += bytes; }
    // Text with a length in characters ahead of it: one byte (B_VARCHAR) or two (US_VARCHAR).
    void bText(const std::string &utf8);
    void usText(const std::string &utf8);

    // Server messages: ERROR (0xaa) and INFO (0xab).
    void error(int number, int state, int severity, const std::string &text, const std::string &server);
    void info(int number, int state, const std::string &text, const std::string &server);
    void envChange(uint8_t type, const std::string &newValue, const std::string &oldValue);
    void collationChange(const std::string &collation);
    void loginAck(uint32_t tdsVersion, const std::string &program);
    void done(uint16_t status, uint16_t command, uint64_t rows, uint8_t token = DoneToken);
    // A procedure's RETURNSTATUS (0x79), and an INTN output parameter's RETURNVALUE (0xac).
    void returnStatus(int32_t value);
    void returnValueInt(uint16_t ordinal, const std::string &name, int32_t value);

    const std::string &bytes() const { return m_bytes; }
    std::string take();
    bool empty() const { return m_bytes.empty(); }
    size_t size() const { return m_bytes.size(); }

private:
    std::string m_bytes;
};

// What a client sent in its LOGIN7 message.
struct Login
{
    uint32_t tdsVersion = 0; // as the client wrote it, 0x74000004 for 7.4
    uint32_t packetSize = 0;
    std::string host, user, password, application, server, library, language, database;
};
bool parseLogin(const std::string &payload, Login &out, std::string &why);
// LOGIN7 hides the password: each byte's nibbles swapped, then XOR 0xA5.
std::string obfuscate(const std::string &utf16Bytes);
std::string clarify(const std::string &obfuscated);

// The pre-login answer of a server without encryption.
std::string preLoginAnswer();
// Whether a pre-login message is well formed (its option list ends in 0xff
// within the message and each option lies inside it).
bool preLoginWellFormed(const std::string &payload);

// The SQL text of a batch, after its ALL_HEADERS block.
bool batchText(const std::string &payload, std::string &utf8, std::string &why);

// One parameter of an RPC request, its value decoded as far as the
// stand-in needs: integers as numbers, character data as UTF-8.
struct RpcParameter
{
    std::string name;
    uint8_t status = 0; // 0x01: an output parameter
    uint8_t type = 0; // the TDS type byte
    bool null = true;
    bool integer = false;
    long long number = 0;
    bool character = false;
    std::string text; // character data as UTF-8; other types their raw bytes
};

// One request of an RPC message: a procedure named by its id (ProcIDSwitch
// 0xFFFF; 10 sp_executesql, 12 sp_execute, 13 sp_prepexec, 15 sp_unprepare)
// or by its name, with its parameters in order.
struct RpcRequest
{
    uint16_t procId = 0; // 0 when named
    std::string procName;
    uint16_t options = 0;
    std::vector<RpcParameter> parameters;
};

enum ProcId : uint16_t {
    SpExecuteSql = 10,
    SpPrepare = 11,
    SpExecute = 12,
    SpPrepExec = 13,
    SpUnprepare = 15,
};

// The requests of an RPC message after its ALL_HEADERS block, several of
// them separated by 0xff (0x80 before TDS 7.2). False, with why, for a
// message that breaks its own lengths or uses a type the stand-in does not read.
bool parseRpc(const std::string &payload, std::vector<RpcRequest> &out, std::string &why);

// One result set as SQL Server sends it.
class ResultWriter
{
public:
    explicit ResultWriter(const std::vector<standin::Column> &columns);
    void metadata(Tokens &out) const;
    // False, with SQL Server's conversion error, when a value does not fit its column.
    bool row(Tokens &out, const std::vector<standin::Value> &values, standin::ServerError &error) const;

    enum class Wire { NVarChar, IntN, FloatN, BitN, DateTimeN, VarBinary };
    struct Slot
    {
        Wire wire = Wire::NVarChar;
        uint8_t size = 0; // bytes of a fixed-size value
        uint16_t maxBytes = 0; // NVARCHAR, VARBINARY
        std::string name;
    };
    const std::vector<Slot> &slots() const { return m_slots; }

private:
    std::vector<Slot> m_slots;
};

// Days since 1900-01-01 and three-hundredths of a second since midnight.
bool datetimeOf(const std::string &text, int32_t &days, uint32_t &ticks);

} // namespace tds
