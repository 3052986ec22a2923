#include "bench/search/MailGenerator.h"

#include <glib.h>

#include <algorithm>

namespace quorvel::bench {

namespace {

const char* const kParticles[] = {"の", "に", "は", "を", "が", "で", "と", "も", "から", "まで", "より", "へ"};
const char* const kEndings[] = {"です。",   "ます。",     "しました。",    "します。",
                                "でした。", "ください。", "お願いします。"};
struct PlantedWord {
    const char* word;
    int perMille;  // of the mails that hold it
};
const PlantedWord kPlanted[] = {{"会議", 100}, {"予算", 50}, {"見積", 20}, {"契約", 10}};

const char* const kEnglish[] = {"meeting", "project", "report", "budget", "schedule", "review", "update",
                                "release", "server",  "client", "design", "invoice",  "Tokyo",  "Osaka"};

std::string utf8(gunichar c) {
    char bytes[8];
    return std::string(bytes, static_cast<size_t>(g_unichar_to_utf8(c, bytes)));
}

std::string base64(const std::string& bytes) {
    char* text = g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
    std::string out = text;
    g_free(text);
    return out;
}

std::string convert(const std::string& text, const char* charset) {
    gsize written = 0;
    char* out = g_convert(text.data(), static_cast<gssize>(text.size()), charset, "UTF-8", nullptr, &written, nullptr);
    std::string result(out ? out : "", written);
    g_free(out);
    return result;
}

}  // namespace

MailGenerator::MailGenerator(uint32_t seed) : random_(seed) {
    // A pool of 2,000 Han characters that ISO-2022-JP has (every tenth from
    // U+4E00), so that every mail can be written in it.
    std::vector<std::string> han;
    for (gunichar c = 0x4E00; han.size() < 2000 && c < 0x9FA0; c += 10) {
        if (!convert(utf8(c), "ISO-2022-JP").empty()) {
            han.push_back(utf8(c));
        }
    }
    // Words of two or three of them, and katakana words of three to five
    // characters.
    std::uniform_int_distribution<size_t> pickHan(0, han.size() - 1);
    std::uniform_int_distribution<int> kana(0, 80), length(0, 9);
    for (size_t i = 0; i < 30000; ++i) {
        std::string w;
        if (length(random_) < 8) {
            const int n = 2 + (length(random_) < 3);
            for (int k = 0; k < n; ++k) {
                w += han[pickHan(random_)];
            }
        } else {
            const int n = 3 + length(random_) % 3;
            for (int k = 0; k < n; ++k) {
                w += utf8(0x30A2 + static_cast<gunichar>(kana(random_)));
            }
        }
        words_.push_back(w);
    }
    double sum = 0;
    for (size_t rank = 0; rank < words_.size(); ++rank) {
        sum += 1.0 / static_cast<double>(rank + 10);
        cumulative_.push_back(sum);
    }
}

const std::string& MailGenerator::randomWord() {
    std::uniform_real_distribution<double> draw(0, cumulative_.back());
    const auto at = std::lower_bound(cumulative_.begin(), cumulative_.end(), draw(random_));
    return words_[static_cast<size_t>(at - cumulative_.begin())];
}

std::string MailGenerator::sentence() {
    std::uniform_int_distribution<int> pick(0, 99);
    std::string s;
    const int words = 4 + pick(random_) % 8;
    for (int i = 0; i < words; ++i) {
        const int p = pick(random_);
        if (p < 6) {
            s += std::string(" ") + kEnglish[p % std::size(kEnglish)] + " ";
        } else if (p < 9) {
            s += std::to_string(p * 37 % 1000);
        } else {
            s += randomWord();
        }
        s += kParticles[pick(random_) % std::size(kParticles)];
    }
    return s + randomWord() + kEndings[pick(random_) % std::size(kEndings)];
}

std::string MailGenerator::text(size_t bytes) {
    std::uniform_int_distribution<int> pick(0, 999);
    std::string body;
    while (body.size() < bytes) {
        body += sentence();
        if (pick(random_) < 300) {
            body += "\r\n";
        }
    }
    return body;
}

GeneratedMail MailGenerator::next(size_t bytes, MailShape shape) {
    ++count_;
    GeneratedMail mail;
    std::uniform_int_distribution<int> pick(0, 999);
    mail.subject = randomWord() + "の" + randomWord() + "について";
    if (pick(random_) < 30) {
        mail.subject = "Re: " + mail.subject;
    }
    const std::string user = std::to_string(count_ % 97), team = std::to_string(count_ % 13);
    mail.from = "担当" + user + " <user" + user + "@example.jp>";
    mail.to = "部署" + team + " <team" + team + "@example.co.jp>";
    const int day = static_cast<int>(count_ % 28) + 1, month = static_cast<int>(count_ / 28 % 12) + 1;
    const int year = 2010 + static_cast<int>(count_ / 336 % 15);
    char date[32];
    std::snprintf(date, sizeof date, "%04d/%02d/%02d %02d:%02d", year, month, day, static_cast<int>(count_ % 24),
                  static_cast<int>(count_ % 60));
    mail.date = date;

    // ISO-2022-JP takes two bytes for a character that UTF-8 takes three for.
    const bool jis = count_ % 4 == 0;
    const size_t textBytes = shape == MailShape::PlainText ? bytes : bytes * 2 / 5;
    std::string body = text(jis && shape == MailShape::PlainText ? textBytes * 3 / 2 : textBytes);
    // The words the benchmark asks for, in a known share of the mails (none
    // of their characters is in the vocabulary's pool).
    for (const PlantedWord& planted : kPlanted) {
        if (pick(random_) < planted.perMille) {
            body += sentence() + planted.word + "の件は" + sentence();
            if (pick(random_) < 200) {
                mail.subject = std::string(planted.word) + "：" + mail.subject;
            }
        }
    }
    const std::string charset = jis ? "ISO-2022-JP" : "UTF-8";
    const auto word = [&](const std::string& t) {
        return "=?" + charset + "?B?" + base64(convert(t, charset.c_str())) + "?=";
    };
    std::string headers;
    if (shape == MailShape::Typical) {
        for (int hop = 0; hop < 3; ++hop) {
            headers += "Received: from mx" + std::to_string(hop) + ".example.net (mx" + std::to_string(hop) +
                       ".example.net [192.0.2." + std::to_string(hop + 10) +
                       "])\r\n\tby mail.example.jp (Postfix) with ESMTPS id 4Q" + std::to_string(count_ * 7919 + hop) +
                       "\r\n\tfor <" + mail.to.substr(mail.to.find('<') + 1) + "; Mon, 1 Jan " + std::to_string(year) +
                       " 10:00:0" + std::to_string(hop) + " +0900 (JST)\r\n";
        }
        headers += "Message-ID: <" + std::to_string(count_) + ".bench@example.jp>\r\nX-Mailer: Bench Mailer 1.0\r\n";
    }
    headers +=
        "From: " + word(mail.from.substr(0, mail.from.find(' '))) + mail.from.substr(mail.from.find(' ')) + "\r\n";
    headers += "To: " + mail.to.substr(mail.to.find('<')) + "\r\n";
    headers += "Subject: " + word(mail.subject) + "\r\n";
    headers +=
        "Date: " + std::to_string(day) + " Jan " + std::to_string(year) + " 10:00:00 +0900\r\nMIME-Version: 1.0\r\n";
    const std::string plain = "Content-Type: text/plain; charset=" + charset +
                              "\r\nContent-Transfer-Encoding: " + (jis ? "7bit" : "8bit") + "\r\n\r\n" +
                              (jis ? convert(body, charset.c_str()) : body);
    if (shape == MailShape::PlainText) {
        mail.bytes = headers + plain;
        return mail;
    }
    std::string html = "<html><head><style>p { margin: 0 } .sig { color: #666 }</style></head><body>";
    for (size_t at = 0; at < body.size();) {
        const size_t end = std::min(body.find("\r\n", at), body.size());
        html += "<p>" + body.substr(at, end - at) + "</p>\r\n";
        at = end + 2;
    }
    html += "</body></html>";
    std::string encodedHtml;
    const std::string b64 = base64(html);
    for (size_t at = 0; at < b64.size(); at += 76) {
        encodedHtml += b64.substr(at, 76) + "\r\n";
    }
    const std::string boundary = "=_alt" + std::to_string(count_), outer = "=_mix" + std::to_string(count_);
    std::string alternative =
        "Content-Type: multipart/alternative; boundary=\"" + boundary + "\"\r\n\r\n--" + boundary + "\r\n" + plain +
        "\r\n--" + boundary +
        "\r\nContent-Type: text/html; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n" + encodedHtml + "--" +
        boundary + "--\r\n";
    if (count_ % 4 != 1) {
        mail.bytes = headers + alternative;
        return mail;
    }
    std::string attachment;
    const std::string data = base64(text(3000));
    for (size_t at = 0; at < data.size(); at += 76) {
        attachment += data.substr(at, 76) + "\r\n";
    }
    mail.bytes = headers + "Content-Type: multipart/mixed; boundary=\"" + outer + "\"\r\n\r\n--" + outer + "\r\n" +
                 alternative + "--" + outer + "\r\nContent-Type: application/pdf; name=\"" + word("資料") +
                 ".pdf\"\r\nContent-Disposition: attachment; filename=\"" + word("資料") +
                 ".pdf\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + attachment + "--" + outer + "--\r\n";
    return mail;
}

}  // namespace quorvel::bench
