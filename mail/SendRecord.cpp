#include "SendRecord.h"

#include "EscapedText.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cstdio>

namespace {

constexpr char kSeparator = '\t';
constexpr std::size_t kFixedFields = 9; // time to reason
constexpr std::size_t kFieldsPerFile = 3;
constexpr std::string_view kTestPlayer = "test";
constexpr std::string_view kReminder = "reminder";
constexpr std::string_view kReceipt = "receipt";

constexpr std::array<std::pair<RecordLine::Event, std::string_view>, 7> kEvents{{
    {RecordLine::Event::Planned, "planned"},
    {RecordLine::Event::Handover, "handover"},
    {RecordLine::Event::Sent, "sent"},
    {RecordLine::Event::Refused, "refused"},
    {RecordLine::Event::NotSent, "not-sent"},
    {RecordLine::Event::Received, "received"},
    {RecordLine::Event::Scanned, "scanned"},
}};

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t end = line.find(kSeparator); end != std::string_view::npos;
         end = line.find(kSeparator, start)) {
        fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

template <typename Number> std::optional<Number> ParseNumber(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::string_view EventName(RecordLine::Event event) {
    for (const auto& [known, name] : kEvents) {
        if (known == event) {
            return name;
        }
    }
    return {};
}

std::optional<RecordLine::Event> ParseEvent(std::string_view name) {
    for (const auto& [event, known] : kEvents) {
        if (known == name) {
            return event;
        }
    }
    return std::nullopt;
}

std::optional<int> ParsePlayer(std::string_view text) {
    if (text == kTestPlayer) {
        return RecordLine::kTestMessage;
    }
    const std::optional<int> number = ParseNumber<int>(text);
    return number && *number > 0 ? number : std::nullopt;
}

std::optional<RecordLine::Purpose> ParsePurpose(std::string_view tag) {
    if (tag == kReminder) {
        return RecordLine::Purpose::Reminder;
    }
    if (tag == kReceipt) {
        return RecordLine::Purpose::Receipt;
    }
    return std::nullopt;
}

bool IsHex(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

std::optional<std::vector<RecordedFile>> ParseFiles(const std::vector<std::string_view>& fields) {
    std::vector<RecordedFile> files;
    for (std::size_t at = kFixedFields; at + kFieldsPerFile <= fields.size();
         at += kFieldsPerFile) {
        const std::optional<std::string> name = UnescapeText(fields[at]);
        const std::optional<std::uint64_t> size = ParseNumber<std::uint64_t>(fields[at + 1]);
        if (!name || !size || !IsHex(fields[at + 2])) {
            return std::nullopt;
        }
        files.push_back({*name, *size, std::string(fields[at + 2])});
    }
    return files;
}

} // namespace

std::string FormatRecordLine(const RecordLine& line) {
    std::string text = IsoUtc(line.time);
    const auto add = [&text](std::string_view field) { (text += kSeparator) += field; };
    add(std::to_string(line.run));
    add(EventName(line.event));
    add(EscapeText(line.game));
    add(line.player == RecordLine::kTestMessage ? std::string(kTestPlayer)
                                                : std::to_string(line.player));
    add(EscapeText(line.address));
    add(std::to_string(line.code));
    add(EscapeText(line.reason));
    add(std::to_string(line.files.size()));
    for (const RecordedFile& file : line.files) {
        add(EscapeText(file.name));
        add(std::to_string(file.size));
        add(file.sha256);
    }
    // Last, after the files: older programs pass over these lines whole.
    if (line.IsCollection()) {
        add(EscapeText(line.messageId));
    } else if (line.purpose != RecordLine::Purpose::Turn) {
        add(line.purpose == RecordLine::Purpose::Reminder ? kReminder : kReceipt);
    }
    return text;
}

std::optional<RecordLine> ParseRecordLine(std::string_view text) {
    const std::vector<std::string_view> fields = Fields(text);
    if (fields.size() < kFixedFields) {
        return std::nullopt;
    }
    const std::optional<RecordLine::Event> event = ParseEvent(fields[2]);
    const bool collection =
        event == RecordLine::Event::Received || event == RecordLine::Event::Scanned;
    const std::optional<std::size_t> fileCount = ParseNumber<std::size_t>(fields[8]);
    const std::size_t fileFields = fileCount ? *fileCount * kFieldsPerFile : 0;
    // A line that is no turn carries its purpose after the files.
    const bool tagged = !collection && fields.size() == kFixedFields + fileFields + 1;
    const std::optional<RecordLine::Purpose> purpose =
        tagged ? ParsePurpose(fields.back()) : RecordLine::Purpose::Turn;
    if (!fileCount || !purpose ||
        fields.size() != kFixedFields + fileFields + (collection || tagged ? 1 : 0)) {
        return std::nullopt;
    }
    const std::optional<std::string> messageId =
        collection ? UnescapeText(fields.back()) : std::optional<std::string>("");
    const std::optional<std::int64_t> time = ParseIsoUtc(fields[0]);
    const std::optional<int> run = ParseNumber<int>(fields[1]);
    const std::optional<std::string> game = UnescapeText(fields[3]);
    const std::optional<int> player = ParsePlayer(fields[4]);
    const std::optional<std::string> address = UnescapeText(fields[5]);
    const std::optional<MapiULong> code = ParseNumber<MapiULong>(fields[6]);
    const std::optional<std::string> reason = UnescapeText(fields[7]);
    std::optional<std::vector<RecordedFile>> files = ParseFiles(fields);
    if (!time || !run || !event || !game || !player || !address || !code || !reason || !files ||
        !messageId) {
        return std::nullopt;
    }
    return RecordLine{
        *time,      *run,    *event, *game, *player, *address, *code, *reason, std::move(*files),
        *messageId, *purpose};
}

std::string IsoUtc(std::int64_t utc) {
    using namespace std::chrono;
    const sys_seconds time{seconds{utc}};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss<seconds> clock{time - day};
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%04d-%02u-%02uT%02d:%02d:%02dZ", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(clock.hours().count()),
                  int(clock.minutes().count()), int(clock.seconds().count()));
    return text.data();
}

std::optional<std::int64_t> ParseIsoUtc(std::string_view text) {
    using namespace std::chrono;
    // Exactly the shape IsoUtc writes: YYYY-MM-DDTHH:MM:SSZ.
    constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != kShape.size()) {
        return std::nullopt;
    }
    for (std::size_t at = 0; at < kShape.size(); ++at) {
        const bool digit = text[at] >= '0' && text[at] <= '9';
        if (kShape[at] == 'd' ? !digit : text[at] != kShape[at]) {
            return std::nullopt;
        }
    }
    const auto number = [text](std::size_t at, std::size_t length) {
        return *ParseNumber<int>(text.substr(at, length));
    };
    const year_month_day date{year{number(0, 4)}, month{unsigned(number(5, 2))},
                              day{unsigned(number(8, 2))}};
    const int hour = number(11, 2);
    const int minute = number(14, 2);
    const int second = number(17, 2);
    if (!date.ok() || hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    const sys_seconds time = sys_days{date} + hours{hour} + minutes{minute} + seconds{second};
    return time.time_since_epoch().count();
}
