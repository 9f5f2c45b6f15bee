// SPDX-License-Identifier: MIT
// A private Apache httpd for one test (mod_php and what the test adds): its own config, port and logs.
#pragma once

#include <arpa/inet.h>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orvex::test {

inline int FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

inline bool CanConnect(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

inline std::string FindPhpModule() {
    for (const auto& e : std::filesystem::directory_iterator("/usr/lib/apache2/modules")) {
        const auto name = e.path().filename().string();
        if (name.starts_with("libphp") && name.ends_with(".so"))
            return e.path().string();
    }
    return {};
}

// Serves docRoot as Debian's stock configuration would: folder listings on, .htaccess ignored
// (AllowOverride None), PHP through mod_php. Started as root it serves as www-data, so the kit
// folders need the write permissions the converter's notes ask for. extraConfig is appended
// as it is (a CGI kit's test adds mod_cgi and the kit folder's handler there).
class ApacheServer {
public:
    ApacheServer(const std::string& docRoot, const std::string& scratch, const std::string& extraConfig = "")
        : m_port(FreePort()) {
        const std::string conf = scratch + "/httpd.conf";
        const std::string mods = "/usr/lib/apache2/modules/";
        std::ofstream f(conf);
        f << "ServerRoot " << scratch << "\n"
          << "LoadModule mpm_prefork_module " << mods << "mod_mpm_prefork.so\n"
          << "LoadModule authz_core_module " << mods << "mod_authz_core.so\n"
          << "LoadModule dir_module " << mods << "mod_dir.so\n"
          << "LoadModule mime_module " << mods << "mod_mime.so\n"
          << "LoadModule autoindex_module " << mods << "mod_autoindex.so\n"
          << "LoadModule php_module " << FindPhpModule() << "\n"
          << "Listen 127.0.0.1:" << m_port << "\n"
          << "ServerName 127.0.0.1\n"
          << "PidFile " << scratch << "/httpd.pid\n"
          << "DefaultRuntimeDir " << scratch << "\n"
          << "Mutex file:" << scratch << " default\n"
          << "ErrorLog " << scratch << "/error.log\n"
          << "LogLevel warn\n"
          << "TypesConfig /etc/mime.types\n"
          << "StartServers 2\nMinSpareServers 1\nMaxSpareServers 4\n";
        if (geteuid() == 0)
            f << "User www-data\nGroup www-data\n";
        f << "DocumentRoot " << docRoot << "\n"
          << "<Directory />\n  AllowOverride None\n  Require all denied\n</Directory>\n"
          << "<Directory " << docRoot << ">\n  Options Indexes FollowSymLinks\n  AllowOverride None\n"
          << "  Require all granted\n</Directory>\n"
          << "DirectoryIndex index.html index.php\n"
          << "<FilesMatch \"\\.php$\">\n  SetHandler application/x-httpd-php\n</FilesMatch>\n"
          << extraConfig;
        f.close();
        std::string bin = "/usr/sbin/apache2";
        char* argv[] = {bin.data(), const_cast<char*>("-DFOREGROUND"), const_cast<char*>("-f"),
                        const_cast<char*>(conf.c_str()), nullptr};
        // A group of its own: on shutdown httpd signals its whole process group.
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attr, 0);
        if (posix_spawn(&m_pid, bin.c_str(), nullptr, &attr, argv, environ) != 0)
            m_pid = -1;
        posix_spawnattr_destroy(&attr);
        // Readiness, not timing: poll until the port answers or the server has exited.
        for (int i = 0; m_pid > 0 && i < 500 && !CanConnect(m_port); ++i) {
            int st = 0;
            if (waitpid(m_pid, &st, WNOHANG) == m_pid) {
                m_pid = -1;
                break;
            }
            usleep(20000);
        }
        m_errorLog = scratch + "/error.log";
    }
    ~ApacheServer() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int st = 0;
            waitpid(m_pid, &st, 0);
        }
    }
    ApacheServer(const ApacheServer&) = delete;
    ApacheServer& operator=(const ApacheServer&) = delete;

    bool Running() const { return m_pid > 0 && CanConnect(m_port); }
    int Port() const { return m_port; }
    std::string ErrorLog() const {
        std::ifstream f(m_errorLog);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }

private:
    int m_port;
    pid_t m_pid = -1;
    std::string m_errorLog;
};

} // namespace orvex::test
