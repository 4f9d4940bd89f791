#include "tds.h"

#include <sql.h>
#include <sqlext.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tds {

std::string wire(const std::u16string &text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (char16_t unit : text) {
        out += char(unit & 0xff);
        out += char(unit >> 8);
    }
    return out;
}

std::u16string fromWire(const char *bytes, size_t units)
{
    std::u16string out;
    out.reserve(units);
    for (size_t k = 0; k < units; ++k)
        out.push_back(char16_t(uint8_t(bytes[2 * k]) | uint8_t(bytes[2 * k + 1]) << 8));
    return out;
}

void Tokens::u16(uint16_t v)
{
    byte(uint8_t(v));
    byte(uint8_t(v >> 8));
}

void Tokens::u32(uint32_t v)
{
    u16(uint16_t(v));
    u16(uint16_t(v >> 16));
}

void Tokens::u64(uint64_t v)
{
    u32(uint32_t(v));
    u32(uint32_t(v >> 32));
}

void Tokens::bText(const std::string &text)
{
    std::u16string units = utf16(text);
    if (units.size() > 255)
        units.resize(255);
    byte(uint8_t(units.size()));
    raw(wire(units));
}

void Tokens::usText(const std::string &text)
{
    std::u16string units = utf16(text);
    if (units.size() > 65535)
        units.resize(65535);
    u16(uint16_t(units.size()));
    raw(wire(units));
}

namespace {

size_t bTextBytes(const std::string &text)
{
    return 1 + 2 * std::min<size_t>(utf16(text).size(), 255);
}

void message(Tokens &out, uint8_t token, int number, int state, int severity, const std::string &text,
             const std::string &server)
{
    const size_t length = 4 + 1 + 1 + 2 + 2 * utf16(text).size() + bTextBytes(server) + bTextBytes("") + 4;
    out.byte(token);
    out.u16(uint16_t(length));
    out.u32(uint32_t(number));
    out.byte(uint8_t(state));
    out.byte(uint8_t(severity));
    out.usText(text);
    out.bText(server);
    out.bText("");
    out.u32(1);
}

} // namespace

void Tokens::error(int number, int state, int severity, const std::string &text, const std::string &server)
{
    message(*this, 0xaa, number, state, severity, text, server);
}

void Tokens::info(int number, int state, const std::string &text, const std::string &server)
{
    message(*this, 0xab, number, state, 0, text, server);
}

void Tokens::envChange(uint8_t type, const std::string &newValue, const std::string &oldValue)
{
    byte(0xe3);
    u16(uint16_t(1 + bTextBytes(newValue) + bTextBytes(oldValue)));
    byte(type);
    bText(newValue);
    bText(oldValue);
}

void Tokens::collationChange(const std::string &collation)
{
    byte(0xe3);
    u16(uint16_t(1 + 1 + collation.size() + 1));
    byte(7);
    byte(uint8_t(collation.size()));
    raw(collation);
    byte(0);
}

void Tokens::loginAck(uint32_t tdsVersion, const std::string &program)
{
    byte(0xad);
    u16(uint16_t(1 + 4 + bTextBytes(program) + 4));
    byte(1); // SQL_TSQL
    // The version goes big-endian here, unlike in LOGIN7.
    byte(uint8_t(tdsVersion >> 24));
    byte(uint8_t(tdsVersion >> 16));
    byte(uint8_t(tdsVersion >> 8));
    byte(uint8_t(tdsVersion));
    bText(program);
    // 15.0.2000: SQL Server 2019.
    byte(15);
    byte(0);
    byte(2000 >> 8);
    byte(2000 & 0xff);
}

void Tokens::done(uint16_t status, uint16_t command, uint64_t rows, uint8_t token)
{
    byte(token);
    u16(status);
    u16(command);
    u64(rows);
}

void Tokens::returnStatus(int32_t value)
{
    byte(0x79);
    u32(uint32_t(value));
}

void Tokens::returnValueInt(uint16_t ordinal, const std::string &name, int32_t value)
{
    byte(0xac);
    u16(ordinal);
    bText(name);
    byte(0x01); // an output parameter
    u32(0); // user type
    u16(0); // flags
    byte(0x26); // INTN(4)
    byte(4);
    byte(4);
    u32(uint32_t(value));
}

std::string Tokens::take()
{
    std::string out;
    out.swap(m_bytes);
    return out;
}

namespace {

uint16_t le16(const std::string &s, size_t at)
{
    return uint16_t(uint8_t(s[at]) | uint8_t(s[at + 1]) << 8);
}

uint32_t le32(const std::string &s, size_t at)
{
    return uint32_t(le16(s, at)) | uint32_t(le16(s, at + 2)) << 16;
}

} // namespace

std::string obfuscate(const std::string &bytes)
{
    std::string out = bytes;
    for (char &c : out) {
        const auto b = uint8_t(c);
        c = char(uint8_t((b << 4) | (b >> 4)) ^ 0xa5);
    }
    return out;
}

std::string clarify(const std::string &obfuscated)
{
    std::string out = obfuscated;
    for (char &c : out) {
        const auto b = uint8_t(uint8_t(c) ^ 0xa5);
        c = char(uint8_t((b << 4) | (b >> 4)));
    }
    return out;
}

bool parseLogin(const std::string &payload, Login &out, std::string &why)
{
    constexpr size_t Fixed = 94;
    if (payload.size() < Fixed) {
        why = "LOGIN7 shorter than its fixed part";
        return false;
    }
    if (le32(payload, 0) != payload.size()) {
        why = "LOGIN7 length does not match the message";
        return false;
    }
    out.tdsVersion = le32(payload, 4);
    out.packetSize = le32(payload, 8);
    bool ok = true;
    const auto field = [&](size_t at, bool hidden = false) {
        const size_t offset = le16(payload, at);
        const size_t units = le16(payload, at + 2);
        if (units == 0)
            return std::string();
        if (offset + 2 * units > payload.size()) {
            ok = false;
            return std::string();
        }
        std::string bytes = payload.substr(offset, 2 * units);
        if (hidden)
            bytes = clarify(bytes);
        return utf8(fromWire(bytes.data(), units));
    };
    out.host = field(36);
    out.user = field(40);
    out.password = field(44, true);
    out.application = field(48);
    out.server = field(52);
    out.library = field(60);
    out.language = field(64);
    out.database = field(68);
    if (!ok)
        why = "a LOGIN7 field lies outside the message";
    return ok;
}

std::string preLoginAnswer()
{
    // VERSION, ENCRYPTION (ENCRYPT_NOT_SUP), INSTOPT, THREADID (empty), MARS (off).
    struct Option
    {
        uint8_t token;
        std::string data;
    };
    const Option options[] = {
        {0x00, std::string("\x0f\x00\x07\xd0\x00\x00", 6)},
        {0x01, std::string("\x02", 1)},
        {0x02, std::string("\x00", 1)},
        {0x03, std::string()},
        {0x04, std::string("\x00", 1)},
    };
    std::string head;
    std::string data;
    const size_t start = std::size(options) * 5 + 1;
    for (const Option &o : options) {
        const size_t offset = start + data.size();
        head += char(o.token);
        head += char(offset >> 8);
        head += char(offset & 0xff);
        head += char(o.data.size() >> 8);
        head += char(o.data.size() & 0xff);
        data += o.data;
    }
    head += char(0xff);
    return head + data;
}

bool preLoginWellFormed(const std::string &payload)
{
    for (size_t at = 0; at < payload.size(); at += 5) {
        if (uint8_t(payload[at]) == 0xff)
            return true;
        if (at + 5 > payload.size())
            return false;
        const size_t offset = size_t(uint8_t(payload[at + 1])) << 8 | uint8_t(payload[at + 2]);
        const size_t length = size_t(uint8_t(payload[at + 3])) << 8 | uint8_t(payload[at + 4]);
        if (offset + length > payload.size())
            return false;
    }
    return false;
}

bool batchText(const std::string &payload, std::string &text, std::string &why)
{
    if (payload.size() < 4) {
        why = "SQL batch without its headers";
        return false;
    }
    const size_t headers = le32(payload, 0);
    if (headers < 4 || headers > payload.size() || (payload.size() - headers) % 2) {
        why = "SQL batch with a malformed ALL_HEADERS block";
        return false;
    }
    text = utf8(fromWire(payload.data() + headers, (payload.size() - headers) / 2));
    return true;
}

namespace {

// Reads a message front to back and notices when a length points past its end.
class Reader
{
public:
    explicit Reader(const std::string &bytes, size_t at = 0) : m_bytes(bytes), m_at(at) { }
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at >= m_bytes.size(); }
    uint8_t peek() const { return m_at < m_bytes.size() ? uint8_t(m_bytes[m_at]) : 0; }
    uint8_t u8() { return uint8_t(take(1)[0]); }
    uint16_t u16() { return uint16_t(littleEndian(2)); }
    uint32_t u32() { return uint32_t(littleEndian(4)); }
    uint64_t u64() { return littleEndian(8); }
    std::string take(size_t n)
    {
        if (!m_ok || n > m_bytes.size() - m_at) {
            m_ok = false;
            m_at = m_bytes.size();
            return std::string(n ? 1 : 0, '\0');
        }
        std::string out = m_bytes.substr(m_at, n);
        m_at += n;
        return out;
    }

private:
    uint64_t littleEndian(unsigned bytes)
    {
        const std::string raw = take(bytes);
        uint64_t v = 0;
        for (unsigned k = 0; m_ok && k < bytes; ++k)
            v |= uint64_t(uint8_t(raw[k])) << (8 * k);
        return v;
    }

    const std::string &m_bytes;
    size_t m_at;
    bool m_ok = true;
};

std::string latin1(const std::string &bytes)
{
    std::u16string units;
    for (char c : bytes)
        units.push_back(char16_t(uint8_t(c)));
    return utf8(units);
}

long long signedValue(const std::string &bytes, bool isSigned)
{
    uint64_t v = 0;
    for (size_t k = 0; k < bytes.size(); ++k)
        v |= uint64_t(uint8_t(bytes[k])) << (8 * k);
    if (isSigned && !bytes.empty() && bytes.size() < 8 && (uint8_t(bytes.back()) & 0x80))
        v |= ~uint64_t(0) << (8 * bytes.size());
    return static_cast<long long>(v);
}

// A value in partial length-prefixed chunks (the `max` types).
bool plpValue(Reader &in, RpcParameter &p)
{
    const uint64_t total = in.u64();
    if (total == ~uint64_t(0))
        return in.ok();
    p.null = false;
    for (int chunks = 0; in.ok(); ++chunks) {
        const uint32_t length = in.u32();
        if (length == 0)
            return in.ok();
        p.text += in.take(length);
        if (chunks > 1000000 || p.text.size() > (64u << 20))
            return false;
    }
    return false;
}

bool parameter(Reader &in, RpcParameter &p, std::string &why)
{
    const uint8_t nameUnits = in.u8();
    const std::string name = in.take(2u * nameUnits);
    p.name = utf8(fromWire(name.data(), nameUnits));
    p.status = in.u8();
    p.type = in.u8();
    size_t fixed = 0;
    enum class Length { Fixed, Byte, UShort, Long } length = Length::Byte;
    bool unicode = false;
    bool collation = false;
    switch (p.type) {
    case 0x1f:
        fixed = 0;
        length = Length::Fixed;
        break; // NULL
    case 0x30:
    case 0x32:
        fixed = 1;
        length = Length::Fixed;
        break; // INT1, BIT
    case 0x34:
        fixed = 2;
        length = Length::Fixed;
        break; // INT2
    case 0x38:
    case 0x3a:
    case 0x3b:
    case 0x7a:
        fixed = 4;
        length = Length::Fixed;
        break;
    case 0x7f:
    case 0x3c:
    case 0x3d:
    case 0x3e:
        fixed = 8;
        length = Length::Fixed;
        break;
    case 0x26:
    case 0x68:
    case 0x6d:
    case 0x6e:
    case 0x6f:
    case 0x24: // INTN, BITN, FLTN, MONEYN, DATETIMN, GUID
        in.u8();
        break;
    case 0x6a:
    case 0x6c: // DECIMALN, NUMERICN: size, precision, scale
        in.take(3);
        break;
    case 0x28: // DATEN
        break;
    case 0x29:
    case 0x2a:
    case 0x2b: // TIMEN, DATETIME2N, DATETIMEOFFSETN: scale
        in.u8();
        break;
    case 0xe7:
    case 0xef:
        unicode = true;
        [[fallthrough]]; // NVARCHAR, NCHAR
    case 0xa7:
    case 0xaf:
        collation = true;
        [[fallthrough]]; // BIGVARCHAR, BIGCHAR
    case 0xa5:
    case 0xad: // BIGVARBINARY, BIGBINARY
        length = Length::UShort;
        break;
    case 0x63:
        unicode = true;
        [[fallthrough]]; // NTEXT
    case 0x23:
        collation = true;
        [[fallthrough]]; // TEXT
    case 0x22: // IMAGE
        length = Length::Long;
        break;
    default:
        char type[8];
        std::snprintf(type, sizeof type, "0x%02x", unsigned(p.type));
        why = std::string("RPC parameter of a type the stand-in does not read (") + type + ")";
        return false;
    }
    p.character = collation;
    std::string value;
    switch (length) {
    case Length::Fixed:
        value = in.take(fixed);
        p.null = p.type == 0x1f;
        break;
    case Length::Byte: {
        const uint8_t size = in.u8();
        value = in.take(size);
        p.null = size == 0;
        break;
    }
    case Length::UShort: {
        const uint16_t max = in.u16();
        if (collation)
            in.take(5);
        if (max == 0xffff) {
            if (!plpValue(in, p)) {
                why = "RPC parameter with broken PLP chunks";
                return false;
            }
            value = std::move(p.text);
            p.text.clear();
            break;
        }
        const uint16_t size = in.u16();
        p.null = size == 0xffff;
        if (!p.null)
            value = in.take(size);
        break;
    }
    case Length::Long: {
        in.u32(); // the largest size
        if (collation)
            in.take(5);
        const uint32_t size = in.u32();
        p.null = size == 0xffffffff;
        if (!p.null)
            value = in.take(size);
        break;
    }
    }
    if (!in.ok()) {
        why = "RPC parameter runs past the end of its message";
        return false;
    }
    if (p.null)
        return true;
    switch (p.type) {
    case 0x30:
        p.integer = true;
        p.number = signedValue(value, false);
        break;
    case 0x32:
    case 0x34:
    case 0x38:
    case 0x7f:
    case 0x26:
    case 0x68:
        p.integer = true;
        p.number = signedValue(value, p.type != 0x26 || value.size() > 1);
        break;
    default:
        break;
    }
    if (unicode) {
        if (value.size() % 2) {
            why = "RPC parameter with half a UTF-16 character";
            return false;
        }
        p.text = utf8(fromWire(value.data(), value.size() / 2));
    } else if (collation) {
        p.text = latin1(value);
    } else {
        p.text = value;
    }
    return true;
}

} // namespace

bool parseRpc(const std::string &payload, std::vector<RpcRequest> &out, std::string &why)
{
    out.clear();
    if (payload.size() < 4) {
        why = "RPC request without its headers";
        return false;
    }
    const size_t headers = le32(payload, 0);
    if (headers < 4 || headers > payload.size()) {
        why = "RPC request with a malformed ALL_HEADERS block";
        return false;
    }
    Reader in(payload, headers);
    while (out.size() < 1000) {
        RpcRequest request;
        const uint16_t nameUnits = in.u16();
        if (nameUnits == 0xffff) {
            request.procId = in.u16();
        } else {
            const std::string name = in.take(2u * nameUnits);
            request.procName = utf8(fromWire(name.data(), nameUnits));
        }
        request.options = in.u16();
        if (!in.ok()) {
            why = "RPC request shorter than its procedure and options";
            return false;
        }
        while (!in.atEnd() && in.peek() != 0xff && in.peek() != 0xfe && in.peek() != 0x80) {
            RpcParameter p;
            if (!parameter(in, p, why))
                return false;
            request.parameters.push_back(std::move(p));
            if (request.parameters.size() > 2100) {
                why = "RPC request with more than 2,100 parameters";
                return false;
            }
        }
        out.push_back(std::move(request));
        if (in.atEnd())
            return true;
        in.u8(); // the separator of the next request
        if (in.atEnd())
            return true;
    }
    why = "RPC message with more than 1,000 requests";
    return false;
}

namespace {

uint16_t textBytes(unsigned long characters)
{
    // Longer or unlimited texts travel as NVARCHAR(4000): values that do not
    // fit are refused rather than cut.
    return uint16_t(characters == 0 || characters > 4000 ? 8000 : characters * 2);
}

std::string numberText(const standin::Value &v)
{
    if (v.type == standin::Value::Int)
        return std::to_string(v.i);
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", v.r);
    if (std::strtod(text, nullptr) != v.r)
        std::snprintf(text, sizeof text, "%.17g", v.r);
    return text;
}

} // namespace

ResultWriter::ResultWriter(const std::vector<standin::Column> &columns)
{
    for (const standin::Column &c : columns) {
        Slot s;
        s.name = c.name;
        switch (c.sqlType) {
        case SQL_INTEGER:
            s.wire = Wire::IntN;
            s.size = 4;
            break;
        case SQL_BIGINT:
            s.wire = Wire::IntN;
            s.size = 8;
            break;
        case SQL_SMALLINT:
            s.wire = Wire::IntN;
            s.size = 2;
            break;
        case SQL_TINYINT:
            s.wire = Wire::IntN;
            s.size = 1;
            break;
        case SQL_BIT:
            s.wire = Wire::BitN;
            s.size = 1;
            break;
        case SQL_REAL:
            s.wire = Wire::FloatN;
            s.size = 4;
            break;
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_DECIMAL:
        case SQL_NUMERIC:
            s.wire = Wire::FloatN;
            s.size = 8;
            break;
        case SQL_TYPE_TIMESTAMP:
            s.wire = Wire::DateTimeN;
            s.size = 8;
            break;
        case SQL_VARBINARY:
        case SQL_BINARY:
        case SQL_LONGVARBINARY:
            s.wire = Wire::VarBinary;
            s.maxBytes = uint16_t(c.size == 0 || c.size > 8000 ? 8000 : c.size);
            break;
        default:
            s.wire = Wire::NVarChar;
            s.maxBytes = textBytes(c.size);
            break;
        }
        m_slots.push_back(s);
    }
}

void ResultWriter::metadata(Tokens &out) const
{
    out.byte(0x81);
    out.u16(uint16_t(m_slots.size()));
    for (const Slot &s : m_slots) {
        out.u32(0); // user type
        out.u16(0x0001); // nullable, read-only
        switch (s.wire) {
        case Wire::NVarChar:
            out.byte(0xe7);
            out.u16(s.maxBytes);
            out.raw(DefaultCollation);
            break;
        case Wire::VarBinary:
            out.byte(0xa5);
            out.u16(s.maxBytes);
            break;
        case Wire::IntN:
            out.byte(0x26);
            out.byte(s.size);
            break;
        case Wire::FloatN:
            out.byte(0x6d);
            out.byte(s.size);
            break;
        case Wire::BitN:
            out.byte(0x68);
            out.byte(s.size);
            break;
        case Wire::DateTimeN:
            out.byte(0x6f);
            out.byte(s.size);
            break;
        }
        out.bText(s.name);
    }
}

namespace {

long long daysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

} // namespace

bool datetimeOf(const std::string &text, int32_t &days, uint32_t &ticks)
{
    standin::Timestamp t;
    if (!standin::parseTimestamp(text, t) || !t.hasDate || t.year < 1753)
        return false;
    const long long n = daysFromCivil(t.year, t.month, t.day);
    if (daysFromCivil(t.year, t.month, 1) + t.day - 1 != n
        || (t.month < 12 && n >= daysFromCivil(t.year, t.month + 1, 1)))
        return false;
    days = int32_t(n - daysFromCivil(1900, 1, 1));
    // datetime keeps three-hundredths of a second.
    ticks = uint32_t((t.hour * 3600 + t.minute * 60 + t.second) * 300 + std::lround(double(t.nanoseconds) * 300 / 1e9));
    if (ticks >= 86400u * 300) { // 23:59:59.999 rounds to the next midnight, as SQL Server rounds it
        ticks -= 86400u * 300;
        ++days;
    }
    return true;
}

bool ResultWriter::row(Tokens &out, const std::vector<standin::Value> &values, standin::ServerError &error) const
{
    using standin::Value;
    Tokens row;
    row.byte(0xd1);
    for (size_t k = 0; k < m_slots.size(); ++k) {
        const Slot &s = m_slots[k];
        const Value &v = k < values.size() ? values[k] : Value();
        const bool null = v.type == Value::Null;
        switch (s.wire) {
        case Wire::NVarChar: {
            if (null) {
                row.u16(0xffff);
                break;
            }
            std::string text = v.type == Value::Int || v.type == Value::Real ? numberText(v) : v.s;
            const std::string bytes = wire(utf16(text));
            if (bytes.size() > s.maxBytes) {
                error = {"22001", 8152, "String or binary data would be truncated."};
                return false;
            }
            row.u16(uint16_t(bytes.size()));
            row.raw(bytes);
            break;
        }
        case Wire::VarBinary:
            if (null) {
                row.u16(0xffff);
                break;
            }
            if (v.s.size() > s.maxBytes) {
                error = {"22001", 8152, "String or binary data would be truncated."};
                return false;
            }
            row.u16(uint16_t(v.s.size()));
            row.raw(v.s);
            break;
        case Wire::IntN:
        case Wire::BitN: {
            if (null) {
                row.byte(0);
                break;
            }
            long long n = v.i;
            if (v.type == Value::Real) {
                n = static_cast<long long>(v.r);
            } else if (v.type != Value::Int) {
                char *end = nullptr;
                errno = 0;
                n = std::strtoll(v.s.c_str(), &end, 10);
                if (v.s.empty() || errno || *end) {
                    error = {"22018", 245,
                             "Conversion failed when converting the nvarchar value '" + v.s + "' to data type int."};
                    return false;
                }
            }
            if (s.wire == Wire::BitN)
                n = n != 0;
            row.byte(s.size);
            for (unsigned b = 0; b < s.size; ++b)
                row.byte(uint8_t(static_cast<unsigned long long>(n) >> (8 * b)));
            break;
        }
        case Wire::FloatN: {
            if (null) {
                row.byte(0);
                break;
            }
            double r = v.type == Value::Int ? double(v.i) : v.r;
            if (v.type == Value::Text || v.type == Value::Blob) {
                char *end = nullptr;
                r = std::strtod(v.s.c_str(), &end);
                if (v.s.empty() || *end) {
                    error = {"42000", 8114, "Error converting data type nvarchar to float."};
                    return false;
                }
            }
            row.byte(s.size);
            if (s.size == 4) {
                const float f = float(r);
                uint32_t bits;
                std::memcpy(&bits, &f, 4);
                row.u32(bits);
            } else {
                uint64_t bits;
                std::memcpy(&bits, &r, 8);
                row.u64(bits);
            }
            break;
        }
        case Wire::DateTimeN: {
            if (null) {
                row.byte(0);
                break;
            }
            int32_t days = 0;
            uint32_t ticks = 0;
            if (v.type != Value::Text || !datetimeOf(v.s, days, ticks)) {
                error = {"22007", 241, "Conversion failed when converting date and/or time from character string."};
                return false;
            }
            row.byte(8);
            row.u32(uint32_t(days));
            row.u32(ticks);
            break;
        }
        }
    }
    out.raw(row.bytes());
    return true;
}

} // namespace tds
