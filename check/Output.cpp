#include "check/Output.h"

namespace check {

namespace {

// The report leaves in blocks: a large one never stands whole in memory, as UTF-16 text and
// again as bytes (558 MiB at 100,000 printers when it did).
constexpr qsizetype kBlock = 1 << 16;

bool put(std::FILE* file, QByteArray& bytes) {
    const bool written = std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), file) ==
                         std::size_t(bytes.size());
    bytes.clear();
    return written;
}

// Written by hand rather than through QJsonDocument: a report of 100,000 printers holds
// 700,000 tool objects, and the document model took most of the checker's time on them.
class JsonWriter {
public:
    QByteArray& out;

    void string(const QString& text) {
        if (text.isNull()) {
            out += "null";
            return;
        }
        out += '"';
        for (const char c : text.toUtf8()) {
            const auto byte = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') {
                out += '\\';
                out += c;
            } else if (byte < 0x20) {
                static const char hex[] = "0123456789abcdef";
                out += "\\u00";
                out += hex[byte >> 4];
                out += hex[byte & 15];
            } else {
                out += c;
            }
        }
        out += '"';
    }
    void key(const char* name) {
        out += '"';
        out += name;
        out += "\": ";
    }
    void field(const char* name, const QString& text) {
        key(name);
        string(text);
    }
    void field(const char* name, bool value) {
        key(name);
        out += value ? "true" : "false";
    }
    void field(const char* name, int value) {
        key(name);
        out += QByteArray::number(value);
    }
    void field(const char* name, const QStringList& texts) {
        key(name);
        out += '[';
        for (qsizetype i = 0; i < texts.size(); ++i) {
            if (i)
                out += ", ";
            string(texts[i]);
        }
        out += ']';
    }
    // "a": 1, "b": 2, ... in the order given.
    template <typename Value, typename... Rest>
    void fields(const char* name, const Value& value, const Rest&... rest) {
        field(name, value);
        if constexpr (sizeof...(rest) > 0) {
            out += ", ";
            fields(rest...);
        }
    }
    // "name": [ one element a line ]
    template <typename List, typename Write>
    void list(const char* name, const List& items, Write write) {
        key(name);
        out += '[';
        bool first = true;
        for (const auto& item : items) {
            out += first ? "\n  {" : ",\n  {";
            first = false;
            write(item);
            out += '}';
        }
        out += ']';
    }
};

} // namespace

bool writeJson(const Report& report, std::FILE* file) {
    QByteArray out;
    bool written = true;
    JsonWriter json{out};
    const auto next = [&out] { out += ",\n "; };
    out += "{";
    json.field("status", report.status());
    next();
    json.field("root", report.root);
    next();
    json.field("languages", report.languages);
    next();
    json.field("japanese", report.japanese);
    next();
    json.list("required", report.required, [&](const RequiredFile& file) {
        json.fields("program", file.program, "folder", file.folder, "file", file.file, "found",
                    file.found);
    });
    next();
    json.list("stops", report.stops, [&](const Stop& stop) {
        json.fields("program", stop.program, "cause", stop.cause, "alert", stop.alert);
    });
    next();
    json.list("bundles", report.bundles, [&](const Bundle& bundle) {
        json.fields("name", bundle.name, "accepted", bundle.accepted, "version", bundle.version,
                    "printers", bundle.printers, "problem", bundle.problem, "ignored",
                    bundle.ignored);
    });
    next();
    json.list("printers", report.printers, [&](const Printer& printer) {
        json.fields("display_name", printer.displayName, "device_id", printer.deviceID, "source",
                    printer.source, "bundle", printer.bundle);
        out += ", ";
        json.key("tools");
        out += '[';
        for (const Tool& tool : printer.tools) {
            out += tool.index ? ",\n    {" : "\n    {";
            json.fields("index", tool.index, "name", tool.name, "shown", tool.shown, "reason",
                        tool.reason, "problem", tool.problem);
            out += '}';
        }
        out += ']';
        if (out.size() > kBlock)
            written = put(file, out) && written;
    });
    next();
    json.list("texts", report.texts, [&](const Texts& table) {
        json.fields("program", table.program, "localization", table.localization, "missing",
                    table.missing);
    });
    next();
    json.list("manuals", report.manuals, [&](const Manual& manual) {
        json.fields("language", manual.language, "path", manual.path, "found", manual.found,
                    "problem", manual.problem);
    });
    next();
    json.field("notes", report.notes);
    out += "}\n";
    return put(file, out) && written;
}

bool writeText(const Report& report, bool quiet, std::FILE* file) {
    QString out;
    bool written = true;
    const auto flush = [&] {
        QByteArray bytes = out.toUtf8();
        out.clear();
        written = put(file, bytes) && written;
    };
    // Appended piece by piece and turned into UTF-8 once: formatting 900,000 lines with
    // QString::arg took a quarter of a large installation's check.
    const auto add = [&out](const auto&... pieces) {
        const auto one = [&out](const auto& piece) {
            if constexpr (std::is_convertible_v<decltype(piece), const char*>)
                out += QLatin1String(piece);
            else
                out += piece;
        };
        (one(pieces), ...);
        out += u'\n';
    };
    for (const RequiredFile& file : report.required) {
        if (!file.found)
            add("missing   ", file.program, ": ", file.folder, "/", file.file);
    }
    for (const Stop& stop : report.stops)
        add("STOP      ", stop.program, " stops at start-up (", stop.cause, ") with the alert \"",
            stop.alert, "\"");
    for (const Bundle& bundle : report.bundles) {
        if (bundle.accepted)
            add("bundle    accepted ", bundle.name, " ", bundle.version, ": ",
                bundle.printers.join(QStringLiteral(", ")));
        if (!bundle.problem.isNull())
            add("bundle    ", bundle.accepted ? "PROBLEM  " : "skipped  ", bundle.name, ": ",
                bundle.problem);
        if (!bundle.ignored.isNull())
            add("entry     ignored ", bundle.name, ": ", bundle.ignored);
    }
    for (const Printer& printer : report.printers) {
        add("printer   ", printer.displayName, " (", printer.deviceID, ", from ",
            printer.bundle.isNull() ? printer.source : printer.bundle, ")");
        for (const Tool& tool : printer.tools) {
            out += QLatin1String("  tool ");
            out += QChar(u'0' + tool.index);
            out += u' ';
            out += tool.name;
            out += tool.shown ? QLatin1String(": shown") : QLatin1String(": hidden");
            if (!tool.reason.isNull())
                out += QLatin1String(" (") + tool.reason + u')';
            if (!tool.problem.isNull())
                out += QLatin1String(": PROBLEM: ") + tool.problem;
            out += u'\n';
        }
        if (out.size() > kBlock)
            flush();
    }
    for (const Texts& table : report.texts) {
        if (!table.missing.isEmpty())
            add("texts     ", table.program, " ", table.localization, " lacks ",
                table.missing.join(QStringLiteral(", ")));
    }
    for (const Manual& manual : report.manuals)
        add("manual    ", manual.language, ": ",
            manual.problem.isNull() ? manual.path : manual.problem);
    for (const QString& note : report.notes)
        add("note      ", note);
    if (!quiet) {
        const int status = report.status();
        const int problems = report.problemCount();
        add("trellis-check: ", QString::number(report.bundles.size()), " entries, ",
            QString::number(report.printers.size()), " printers, ", QString::number(problems),
            problems == 1 ? " problem: " : " problems: ",
            status == 2   ? "a program stops with an alert"
            : status == 1 ? "Trellis starts, but something is left out"
                          : "Trellis starts and nothing is left out",
            " (", QString::number(status), ")");
    }
    flush();
    return written;
}

} // namespace check
