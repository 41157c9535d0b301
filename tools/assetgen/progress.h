// Progress lines for the generator's long steps: "name: 30%" every tenth, then "name: done".
#pragma once
#include <string>

struct Progress {
    std::string name;
    int lastTenth = -1;

    explicit Progress(std::string stepName);
    // fraction in [0, 1]; prints only when a new tenth is reached.
    void Update(double fraction);
    void Done(const std::string& detail = "");
};

// Quiet mode for tests that call the generators directly.
void SetProgressQuiet(bool quiet);
