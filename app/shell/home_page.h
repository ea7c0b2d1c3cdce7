// The maker's home page, opened from the Help menu, the thumbnail view and
// the About box.
#pragma once

const char kKaptoHomePage[] = "http://lumaro.example.com/";
