#pragma once

/**
 * The thirteen build variant options. One build serves one meter family; the
 * shipped build sets IFRK40V only. Tests construct other combinations and hand
 * them to the main window.
 */
struct BuildVariant {
    bool IFRK20S = false;
    bool RK27L = false;
    bool IFRK40V = false;
    bool IFRK20M = false;
    bool IFRK91N = false;
    bool IFZL5082 = false;
    bool IFRK33H = false;
    bool IF7304k = false;
    bool IFRK33J = false;
    bool IF33W = false;
    bool IF33X = false;
    bool IF33Y = false;
    bool RK47T = false;

    /** The configuration this program ships with. */
    static BuildVariant shipped()
    {
        BuildVariant v;
        v.IFRK40V = true;
        return v;
    }
};
