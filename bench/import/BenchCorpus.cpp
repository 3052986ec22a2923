#include "bench/import/BenchCorpus.h"

#include <iconv.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace quorvel::bench {

namespace {

std::string base64(std::string_view bytes) {
    static const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        uint32_t v = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8) | uint8_t(bytes[i + 2]);
        for (int s = 18; s >= 0; s -= 6) {
            out += kAlphabet[(v >> s) & 63];
        }
    }
    if (i < bytes.size()) {
        uint32_t v = uint8_t(bytes[i]) << 16;
        if (i + 1 < bytes.size()) {
            v |= uint8_t(bytes[i + 1]) << 8;
        }
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string convert(std::string_view utf8, const char* charset) {
    iconv_t cd = iconv_open(charset, "UTF-8");
    std::string in(utf8), out(utf8.size() * 4 + 16, '\0');
    char* src = in.data();
    char* dst = out.data();
    size_t srcLeft = in.size(), dstLeft = out.size();
    iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);  // back to ASCII at the end
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

std::string encodedWord(std::string_view utf8, const char* charset) {
    return std::string("=?") + charset + "?B?" + base64(convert(utf8, charset)) + "?=";
}

const std::vector<std::string>& subjects() {
    static const std::vector<std::string> s = {
        encodedWord("会議の議事録について", "ISO-2022-JP"),
        encodedWord("【重要】来週の打ち合わせ日程", "ISO-2022-JP"),
        encodedWord("お見積りのご依頼", "UTF-8"),
        "Re: quarterly report draft",
        "Build failed on main (commit 4f2a9c1)",
        "Lunch on Friday?",
    };
    return s;
}

const std::vector<std::string>& senders() {
    static const std::vector<std::string> s = {
        encodedWord("山田 太郎", "ISO-2022-JP") + " <taro.yamada@example.co.jp>",
        "\"Alice Example\" <alice@example.org>",
        "build-bot@ci.example.net",
    };
    return s;
}

std::string filler(size_t bytes, int seed) {
    std::string line;
    std::string out;
    for (int i = 0; out.size() < bytes; ++i) {
        uint32_t x = static_cast<uint32_t>(seed * 2654435761u + i * 40503u);
        line.clear();
        for (int k = 0; k < 57; ++k) {
            x = x * 1103515245u + 12345u;
            line += static_cast<char>(x >> 24);
        }
        out += base64(line) + "\r\n";
    }
    return out;
}

}  // namespace

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string corpusMail(int n, size_t size) {
    std::string m;
    m += "Return-Path: <sender" + std::to_string(n) + "@example.org>\r\n";
    if (n % 3 == 0) {
        m += "Delivered-To: me@example.jp\r\n";
    }
    for (int hop = 0; hop < 3; ++hop) {
        m += "Received: from mx" + std::to_string(hop) + ".example.org (mx" + std::to_string(hop) +
             ".example.org [192.0.2." + std::to_string(hop + 1) +
             "])\r\n\tby mail.example.jp (Postfix) with ESMTPS id " + std::to_string(100000 + n) +
             "\r\n\tfor <me@example.jp>; Tue, 0" + std::to_string(1 + n % 9) +
             " Jan 2002 10:" + std::to_string(10 + hop) + ":30 +0900 (JST)\r\n";
    }
    m += "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.org; s=s1;\r\n\th=from:to:subject:date;"
         " bh=" +
         base64(std::string(32, char('a' + n % 26))) + ";\r\n\tb=";
    std::string signature = filler(300, n);  // lines of base64, each ended by CRLF
    for (size_t at = 0; at + 2 < signature.size(); at = signature.find('\n', at) + 1) {
        m += (at ? "\t " : "") + signature.substr(at, signature.find('\n', at) + 1 - at);
    }
    m += "Message-ID: <" + std::to_string(n) + ".abcdef@example.org>\r\n";
    m += "Date: Tue, 01 Jan 2002 10:15:30 +0900\r\n";
    m += "From: " + senders()[n % senders().size()] + "\r\n";
    m += "To: me@example.jp\r\n";
    if (n % 4 == 0) {
        m += "Cc: team@example.jp,\r\n boss@example.jp\r\n";
    }
    m += "Subject: " + subjects()[n % subjects().size()] + "\r\n";
    if (n % 7 == 0) {
        m += "X-Priority: 1 (Highest)\r\n";
    }
    m += "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n";
    m += "--b1\r\nContent-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n";
    m += filler(3000, n + 1);
    m += "--b1\r\nContent-Type: application/octet-stream; name=\"data.bin\"\r\nContent-Transfer-Encoding: base64\r\n";
    m += n % 2 == 0 ? "Content-Disposition: attachment;\r\n\tfilename=\"data.bin\"\r\n\r\n"
                    : "Content-Disposition: inline\r\n\r\n";
    if (m.size() + 12 < size) {
        m += filler(size - m.size() - 12, n + 2);
    }
    m += "--b1--\r\n";
    return m;
}

uint64_t writeHugeMail(const std::string& path, uint64_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::string head = corpusMail(1, 0);
    out << head;
    std::string chunk = filler(1 << 20, 7);
    uint64_t written = head.size();
    while (written + chunk.size() < size) {
        out << chunk;
        written += chunk.size();
    }
    out << "Content-Disposition: attachment;";
    out.close();
    return std::filesystem::file_size(path);
}

}  // namespace quorvel::bench
